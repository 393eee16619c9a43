// A long session of "Start" and "Copy" through the real event path: nothing may grow with the
// number of actions, and every event leaves the string buffer's cursor where it found it.
#include <stdio.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "harness.h"
#include "robustness_support.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"

namespace {

// What may leak: the process's committed memory, the runtime's three heaps and the windows.
struct Figures {
    SIZE_T committed;
    int processBlocks;
    int objectBlocks;
    int stringBlocks;
    std::set<HWND> windows;
};

Figures TakeFigures() {
    Figures figures;
    figures.committed = CommittedBytes();
    figures.processBlocks = CountBusyBlocks(processHeap);
    figures.objectBlocks = CountBusyBlocks(objectHeap);
    figures.stringBlocks = CountBusyBlocks(StringHeap);
    figures.windows = ThreadWindowSet();
    return figures;
}

void PrintFigures(const char *when, const Figures &figures) {
    printf("%s: committed %lu bytes, busy blocks processHeap %d, objectHeap %d, StringHeap %d, "
           "windows %d\n",
           when, (unsigned long)figures.committed, figures.processBlocks, figures.objectBlocks,
           figures.stringBlocks, (int)figures.windows.size());
}

const int START_ACTIONS = 2000;
const int COPY_ACTIONS = 2000;
const int SETTLING_ACTIONS = 100; // the figures to hold are taken after these
// Committed memory still climbs a little after the first hundred actions and then moves by some
// pages either way as the system's own heaps (the rich edit's text runs, the clipboard's blocks)
// are reused: over 12,000 actions under Wine it stayed within 112 KiB above the figure after the
// first hundred, without a trend (Windows' own heaps may grow otherwise: the README lists this
// among the figures calibrated on Wine). A leak of 68 bytes or more per action exceeds the slack;
// the runtime's own heaps are held to the exact block.
const SIZE_T COMMITTED_SLACK = 256 * 1024;
// Committed memory is sampled every SAMPLE_ACTIONS actions after the settling, each time in the
// same state (a block of 99 identifiers just copied: every tenth Start writes one). Under Wine in
// code page 932 the system commits about 2 MiB once, at a moment that varies from run to run (after
// 120 actions in one run, after 500 in another) and never again. A rise between two samples of
// ONE_TIME_STEP or more is taken for that step, which does not grow with the number of actions,
// and the largest such rise is left out of the growth; the heaps' usual rises, some pages to about
// 120 KiB at a time, count in full. A leak still shows: it rises between every two samples.
const int SAMPLE_ACTIONS = 20;
const SIZE_T ONE_TIME_STEP = 1024 * 1024;
static_assert(SETTLING_ACTIONS % SAMPLE_ACTIONS == 0, "the samples meet the settling figure");

// The main window is shown, as the program shows it.
TEST(Soak, StartAndCopyTwoThousandTimesEachLeaveNothingBehind) {
    quitFlag = 0;
    OpenMainWindow();
    HWND main = WindowHandleOf(WINDOW_MAIN);
    ASSERT_TRUE(main);
    EventPump pump;
    pump.Drain();

    Figures settled = {};
    SIZE_T sample = 0, largestRise = 0;
    int starts = 0, copies = 0, wrongBlocks = 0, wrongCopies = 0;
    std::string block;
    for (int action = 0; action < START_ACTIONS + COPY_ACTIONS; action++) {
        if (action == SETTLING_ACTIONS) {
            pump.Drain();
            settled = TakeFigures();
            sample = settled.committed;
        } else if (action > SETTLING_ACTIONS && action % SAMPLE_ACTIONS == 0) {
            SIZE_T now = CommittedBytes();
            if (now > sample && now - sample > largestRise) {
                largestRise = now - sample;
            }
            sample = now;
        }
        if (action % 2 == 0) {
            // Every tenth Start writes 99 identifiers, the others one.
            int count = starts % 10 == 9 ? 99 : 1;
            SetControlState(CONTROL_COUNT, count);
            ASSERT_TRUE(pump.Click(CONTROL_START)) << "Start " << starts;
            starts++;
            ControlRecord *text = ControlOf(CONTROL_TEXT);
            wrongBlocks += text->ops->countItems(text) != 2 + 5 * count;
            // Now and then, the whole block as a reader of it sees it.
            if (starts % 250 == 0) {
                block = ControlText(CONTROL_TEXT);
                BlockShape shape = ReadBlock(block);
                EXPECT_TRUE(shape.valid && shape.count == count) << shape.fault;
            }
        } else {
            ASSERT_TRUE(pump.Click(CONTROL_COPY)) << "Copy " << copies;
            copies++;
            if (copies % 250 == 0) {
                std::string copied;
                wrongCopies += !ReadClipboardText(&copied) || copied != ControlText(CONTROL_TEXT);
            }
        }
    }
    pump.Drain();
    Figures last = TakeFigures();
    if (last.committed > sample && last.committed - sample > largestRise) {
        largestRise = last.committed - sample;
    }

    PrintFigures("after the first 100 actions", settled);
    PrintFigures("after all 4000 actions", last);
    printf("%d events dispatched; the largest rise between two samples: %lu bytes\n", pump.events,
           (unsigned long)largestRise);
    EXPECT_EQ(START_ACTIONS, starts);
    EXPECT_EQ(COPY_ACTIONS, copies);
    EXPECT_EQ(0, wrongBlocks);
    EXPECT_EQ(0, wrongCopies);
    EXPECT_EQ(0, pump.cursorFaults) << "of " << pump.events << " events";
    EXPECT_EQ(settled.processBlocks, last.processBlocks);
    EXPECT_EQ(settled.objectBlocks, last.objectBlocks);
    EXPECT_EQ(settled.stringBlocks, last.stringBlocks);
    EXPECT_TRUE(settled.windows == last.windows);
    SIZE_T oneTimeStep = largestRise >= ONE_TIME_STEP ? largestRise : 0;
    EXPECT_LE(last.committed - oneTimeStep, settled.committed + COMMITTED_SLACK);
    EXPECT_EQ(0, quitFlag);

    ShutdownLibraries();
}

} // namespace
