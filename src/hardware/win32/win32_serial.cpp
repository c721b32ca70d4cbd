// Serial calls on Windows: the comm API on an exclusively opened "\\.\COMn".
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hardware/system_seams.h"

namespace korvane {

namespace {

std::string system_error_text(DWORD code) {
    char buf[200] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                                   DWORD(sizeof buf - 1), nullptr);
    std::string text(buf, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text;
}

class Win32SerialPort : public ISerialPort {
public:
    Win32SerialPort(HANDLE h, const DCB& saved) : handle_(h), saved_(saved) {}
    ~Win32SerialPort() override {
        if (changed_) restore_saved_settings();
        CloseHandle(handle_);
    }

    bool restore_saved_settings() override {
        DCB dcb = saved_;
        if (!SetCommState(handle_, &dcb)) return false;
        changed_ = false;
        return true;
    }
    bool set_dtr(bool on) override { return EscapeCommFunction(handle_, on ? SETDTR : CLRDTR) != 0; }
    bool set_rts(bool on) override { return EscapeCommFunction(handle_, on ? SETRTS : CLRRTS) != 0; }
    bool set_break(bool on) override { return (on ? SetCommBreak(handle_) : ClearCommBreak(handle_)) != 0; }
    bool cts() override {
        DWORD status = 0;
        if (!GetCommModemStatus(handle_, &status)) return false;
        return (status & MS_CTS_ON) != 0;
    }
    bool purge() override { return PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR) != 0; }

    bool configure(const SerialSettings& s) override {
        DCB dcb = saved_;
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = s.baud;
        dcb.fBinary = TRUE;
        dcb.fParity = TRUE;   // flag word 0x4003: binary, parity checking, abort on error
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fAbortOnError = TRUE;
        dcb.ByteSize = s.data_bits;
        dcb.Parity = s.parity == Parity::Odd ? ODDPARITY : s.parity == Parity::Even ? EVENPARITY : NOPARITY;
        dcb.StopBits = s.stop_bits == 2 ? TWOSTOPBITS : ONESTOPBIT;
        changed_ = true;
        if (!SetCommState(handle_, &dcb)) return false;
        SetCommMask(handle_, 0);
        return true;
    }

    // 0/0: return what is there; an interval alone also bounds the first byte.
    bool set_timeouts(const SerialTimeouts& t) override {
        COMMTIMEOUTS ct{};
        if (t.read_interval_ms == 0 && t.read_total_ms == 0) {
            ct.ReadIntervalTimeout = MAXDWORD;
        } else {
            ct.ReadIntervalTimeout = t.read_interval_ms;
            ct.ReadTotalTimeoutConstant = t.read_total_ms ? t.read_total_ms : t.read_interval_ms;
        }
        ct.WriteTotalTimeoutConstant = t.write_total_ms;
        return SetCommTimeouts(handle_, &ct) != 0;
    }

    std::size_t read(std::uint8_t* buf, std::size_t n) override {
        DWORD got = 0;
        if (!ReadFile(handle_, buf, DWORD(std::min<std::size_t>(n, MAXDWORD)), &got, nullptr)) {
            DWORD errors = 0;
            ClearCommError(handle_, &errors, nullptr);   // fAbortOnError stops I/O until cleared
            return 0;
        }
        return got;
    }

    std::size_t write(const std::uint8_t* buf, std::size_t n) override {
        DWORD done = 0;
        if (!WriteFile(handle_, buf, DWORD(std::min<std::size_t>(n, MAXDWORD)), &done, nullptr)) {
            DWORD errors = 0;
            ClearCommError(handle_, &errors, nullptr);
            return 0;
        }
        return done;
    }

    std::size_t available() override {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(handle_, &errors, &stat)) return 0;
        return stat.cbInQue;
    }

private:
    HANDLE handle_;
    DCB saved_;
    bool changed_ = false;
};

class Win32SerialSystem : public ISerialSystem {
public:
    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override {
        if (port_name.empty()) {
            error = system_error_text(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        HANDLE h = CreateFileA(port_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = system_error_text(GetLastError());
            return nullptr;
        }
        DCB saved{};
        saved.DCBlength = sizeof(DCB);
        if (!GetCommState(h, &saved)) {
            error = system_error_text(GetLastError());
            CloseHandle(h);
            return nullptr;
        }
        return std::make_unique<Win32SerialPort>(h, saved);
    }
};

} // namespace

ISerialSystem& system_serial() {
    static Win32SerialSystem serial;
    return serial;
}

// "COM12" needs the device namespace prefix; it works for COM1..COM9 too.
std::string platform_device_for(const std::string& port_name) {
    if (port_name.size() < 4 || port_name.compare(0, 3, "COM") != 0) return {};
    return "\\\\.\\" + port_name;
}

std::vector<std::string> platform_com_names() {
    std::vector<std::string> names;
    char target[512];
    for (int n = 1; n <= 255; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (QueryDosDeviceA(name.c_str(), target, DWORD(sizeof target)) != 0) names.push_back(name);
    }
    return names;
}

bool probe_uart(const std::string&) { return true; }

} // namespace korvane
