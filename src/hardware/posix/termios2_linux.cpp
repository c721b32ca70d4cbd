// Kept apart: the kernel's termbits clash with <termios.h>.
#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace korvane::posix {

struct Termios2;

#if defined(__linux__) && defined(TCGETS2)
extern const std::uint32_t kCbaud = CBAUD;
extern const std::uint32_t kCibaud = CIBAUD;
extern const std::uint32_t kBother = BOTHER;
extern const bool kHaveTermios2 = true;
#else
extern const std::uint32_t kCbaud = 0;
extern const std::uint32_t kCibaud = 0;
extern const std::uint32_t kBother = 0;
extern const bool kHaveTermios2 = false;
#endif

// Plain copies between our layout and the kernel's; defined here, used by the real syscalls.
int kernel_get_termios2(int fd, std::uint32_t flags[4], std::uint8_t& line, std::uint8_t* cc, std::size_t ncc,
                        std::uint32_t& ispeed, std::uint32_t& ospeed) {
#if defined(__linux__) && defined(TCGETS2)
    struct termios2 t {};
    const int r = ::ioctl(fd, TCGETS2, &t);
    if (r != 0) return r;
    flags[0] = t.c_iflag;
    flags[1] = t.c_oflag;
    flags[2] = t.c_cflag;
    flags[3] = t.c_lflag;
    line = t.c_line;
    std::memset(cc, 0, ncc);
    std::memcpy(cc, t.c_cc, ncc < sizeof t.c_cc ? ncc : sizeof t.c_cc);
    ispeed = t.c_ispeed;
    ospeed = t.c_ospeed;
    return 0;
#else
    (void)fd; (void)flags; (void)line; (void)cc; (void)ncc; (void)ispeed; (void)ospeed;
    errno = ENOTTY;
    return -1;
#endif
}

int kernel_set_termios2(int fd, const std::uint32_t flags[4], std::uint8_t line, const std::uint8_t* cc,
                        std::size_t ncc, std::uint32_t ispeed, std::uint32_t ospeed) {
#if defined(__linux__) && defined(TCSETS2)
    struct termios2 t {};
    t.c_iflag = flags[0];
    t.c_oflag = flags[1];
    t.c_cflag = flags[2];
    t.c_lflag = flags[3];
    t.c_line = line;
    std::memcpy(t.c_cc, cc, ncc < sizeof t.c_cc ? ncc : sizeof t.c_cc);
    t.c_ispeed = ispeed;
    t.c_ospeed = ospeed;
    return ::ioctl(fd, TCSETS2, &t);
#else
    (void)fd; (void)flags; (void)line; (void)cc; (void)ncc; (void)ispeed; (void)ospeed;
    errno = ENOTTY;
    return -1;
#endif
}

} // namespace korvane::posix
