// The Abort command at every point where the card operations let the window run: the pump before
// each block, and the pumps between the byte reader's retries, for every byte the host reads, in
// each of the four tasks. An abort ends the task with the one abort message; the task frame's own
// pumps, outside the link's routines, let no abort in.
#include <gtest/gtest.h>

#include "card_rig.h"

namespace korvane {
namespace {

using test::CardRig;
using Lines = std::vector<std::vector<std::string>>;

const Lines kAborted{{" EEProm", "Process Aborted"}};

// The 24C01: two read blocks, 64 write blocks, so every point of the routines is cheap to reach.
struct AbortRig : CardRig {
    explicit AbortRig(CardTask t) : CardRig(0), task(t) {
        fill_image();
        // A verify (also the one after a write) finds what it expects.
        if (task == CardTask::Program) reader.card.memory.assign(128, 0xFF);
        else reader.card.memory = image_bytes();
    }
    CardTaskResult run() { return runner.run(task, *image); }
    CardTask task;
};

Lines success_boxes(CardTask task) {
    switch (task) {
    case CardTask::Program: return {{" EEProm", "EEProm Write Through", "Successfully Completed"}};
    case CardTask::Verify: return {{" EEProm", "EEProm Verify Through", "Successfully Completed"}};
    case CardTask::Erase: return {{" EEProm", "EEProm Erase Through", "Successfully Completed"}};
    case CardTask::Read: break;
    }
    return {};
}

const char* name(CardTask t) {
    switch (t) {
    case CardTask::Read: return "read";
    case CardTask::Program: return "program";
    case CardTask::Verify: return "verify";
    case CardTask::Erase: return "erase";
    }
    return "?";
}

constexpr CardTask kTasks[] = {CardTask::Read, CardTask::Program, CardTask::Verify, CardTask::Erase};

TEST(CardAbort, AtEachBlock) {
    for (CardTask task : kTasks) {
        AbortRig whole(task);
        ASSERT_EQ(whole.run(), CardTaskResult::Done) << name(task);
        const int pumps = whole.host.pumps;
        int inside = 0;
        for (int k = 1; k <= pumps; ++k) {
            SCOPED_TRACE(std::string(name(task)) + " pump " + std::to_string(k));
            AbortRig rig(task);
            bool running = false;
            std::size_t headers_then = 0;
            rig.host.at_pump = k;
            rig.host.on_pump = [&] {
                running = rig.io.task_running != 0;
                headers_then = rig.reader.card.headers.size();
                rig.runner.abort();
            };
            const CardTaskResult r = rig.run();
            if (!running) {
                EXPECT_EQ(r, CardTaskResult::Done) << "no routine ran: the abort does nothing";
                EXPECT_EQ(rig.boxes(), success_boxes(task));
                continue;
            }
            ++inside;
            EXPECT_EQ(r, CardTaskResult::Aborted);
            EXPECT_EQ(rig.boxes(), kAborted);
            // The block whose turn it was sends its header; the card's answer is not waited for.
            EXPECT_LE(rig.reader.card.headers.size(), headers_then + 1);
            EXPECT_EQ(rig.io.task_running, 0);
            EXPECT_EQ(rig.reader.card.restores, rig.reader.opens) << "the reader port is closed";
            EXPECT_EQ(rig.progress.position, 0);
            EXPECT_FALSE(rig.runner.busy());
        }
        // One pump before each block: 2 read blocks, 64 write blocks (+2 for the verify after them).
        const int blocks = task == CardTask::Read || task == CardTask::Verify ? 2 : 66;
        EXPECT_EQ(inside, blocks) << name(task);
        EXPECT_EQ(pumps, blocks + 2) << name(task) << ": and one at each end of the busy period";
    }
}

TEST(CardAbort, WhileTheByteReaderWaits) {
    for (CardTask task : kTasks) {
        int aborted = 0, checksum_failures = 0;
        // Every byte after the answer to reset, late once: echo, procedure, status, data bytes.
        for (int at = int(kAtrLength);; ++at) {
            SCOPED_TRACE(std::string(name(task)) + " byte " + std::to_string(at));
            AbortRig rig(task);
            rig.reader.card.stall_at = at;
            bool abort_sent = false;
            std::size_t headers_then = 0;
            // Watches every pump; aborts at the first one after the late byte inside a routine.
            rig.host.at_pump = 1;
            rig.host.on_pump = [&] {
                rig.host.at_pump = rig.host.pumps + 1;
                if (rig.reader.card.stalled && !abort_sent && rig.io.task_running) {
                    abort_sent = true;
                    headers_then = rig.reader.card.headers.size();
                    rig.runner.abort();
                }
            };
            const CardTaskResult r = rig.run();
            if (!rig.reader.card.stalled) {
                EXPECT_EQ(r, CardTaskResult::Done);
                break;   // past the last byte of the routines
            }
            if (abort_sent) {
                ++aborted;
                EXPECT_EQ(r, CardTaskResult::Aborted);
                EXPECT_EQ(rig.boxes(), kAborted) << "no link or verify error after an abort";
                EXPECT_EQ(rig.reader.card.headers.size(), headers_then) << "nothing more is sent";
                EXPECT_EQ(rig.io.task_running, 0);
                EXPECT_EQ(rig.reader.card.restores, rig.reader.opens);
            } else {
                // The card's checksum of a read block is one plain read: late is missing.
                ++checksum_failures;
                EXPECT_EQ(r, CardTaskResult::Failed);
                EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "CheckSum Not Correct"}}));
            }
        }
        const bool reads = task == CardTask::Read || task == CardTask::Verify;
        EXPECT_EQ(checksum_failures, reads ? 2 : 0) << name(task);
        // Init: 5 echo, procedure, status. Write block of 2: 5 echo, procedure, 3 echo, status.
        // Read block of 64: 5 echo, procedure, 64 data (the checksum counted above).
        EXPECT_EQ(aborted, 7 + (reads ? 2 * 70 : 64 * 10)) << name(task);
    }
}

} // namespace
} // namespace korvane
