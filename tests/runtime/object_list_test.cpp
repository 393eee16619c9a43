// Object lists on the object heap.
#include <gtest/gtest.h>
#include <string.h>

#include "runtime/heaps.h"
#include "runtime/object_list.h"
#include "private_heap.h"

namespace {

// Walks a list from its head and checks that every link agrees with its partner; returns the
// objects, newest first, in objects (up to count of them) and their number.
int WalkList(ObjectListNode *head, void **objects, int count) {
    int found = 0;
    EXPECT_TRUE(!head || !head->newer) << "the head has a newer node";
    for (ObjectListNode *node = head; node; node = node->older) {
        if (node->older) {
            EXPECT_EQ(node->older->newer, node) << "links disagree at node " << found;
        }
        if (found < count) {
            objects[found] = ObjectListObjectOf(node);
        }
        found++;
    }
    return found;
}

TEST(ObjectList, InsertAddsZeroedObjectsNewestFirst) {
    ScopedHeap heap(&objectHeap);
    ObjectListNode *head = 0;
    void *objects[3];
    for (int i = 0; i < 3; i++) {
        objects[i] = ObjectListInsert(&head, 24);
        ASSERT_NE(objects[i], nullptr);
        EXPECT_EQ(ObjectListNodeOf(objects[i]), head);
        EXPECT_EQ(HeapSize(objectHeap, 0, head), sizeof(ObjectListNode) + 24);
        const char *bytes = (const char *)objects[i];
        int nonZero = 0;
        for (int b = 0; b < 24; b++) {
            nonZero += bytes[b] != 0;
        }
        EXPECT_EQ(nonZero, 0);
        memset(objects[i], 0xA5, 24);
    }
    void *walked[3];
    ASSERT_EQ(WalkList(head, walked, 3), 3);
    EXPECT_EQ(walked[0], objects[2]);
    EXPECT_EQ(walked[1], objects[1]);
    EXPECT_EQ(walked[2], objects[0]);
    EXPECT_EQ(ObjectListNodeOf(objects[0])->older, nullptr);
    EXPECT_EQ(CountBusyBlocks(objectHeap), 3);
    EXPECT_TRUE(HeapValidate(objectHeap, 0, 0));
}

TEST(ObjectList, RemoveKeepsTheLinksInAgreement) {
    // A list of three, oldest 0 to newest 2; each case removes one and checks what is left.
    const struct {
        const char *name;
        int removed;
        int left[2]; // newest first
    } cases[] = {{"head", 2, {1, 0}}, {"oldest", 0, {2, 1}}, {"middle", 1, {2, 0}}};
    for (const auto &c : cases) {
        ScopedHeap heap(&objectHeap);
        ObjectListNode *head = 0;
        void *objects[3];
        for (int i = 0; i < 3; i++) {
            objects[i] = ObjectListInsert(&head, 4);
        }
        ObjectListRemove(&head, objects[c.removed]);
        void *walked[2];
        ASSERT_EQ(WalkList(head, walked, 2), 2) << c.name;
        EXPECT_EQ(walked[0], objects[c.left[0]]) << c.name;
        EXPECT_EQ(walked[1], objects[c.left[1]]) << c.name;
        EXPECT_EQ(ObjectListNodeOf(walked[1])->older, nullptr) << c.name;
        EXPECT_EQ(CountBusyBlocks(objectHeap), 2) << c.name << ": the node is freed";

        // The list goes on working: a newer node and the removal of all the rest.
        void *newest = ObjectListInsert(&head, 4);
        ObjectListRemove(&head, walked[0]);
        ObjectListRemove(&head, newest);
        EXPECT_EQ(WalkList(head, walked, 2), 1) << c.name;
        ObjectListRemove(&head, walked[1]);
        EXPECT_EQ(head, nullptr) << c.name;
        EXPECT_EQ(CountBusyBlocks(objectHeap), 0) << c.name;
    }
}

TEST(ObjectList, AFailedInsertLeavesTheListAsItWas) {
    ScopedHeap heap(&objectHeap, 64 * 1024);
    ObjectListNode *head = 0;
    void *first = ObjectListInsert(&head, 16);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ObjectListInsert(&head, 1024 * 1024), nullptr);
    EXPECT_EQ(head, ObjectListNodeOf(first));
    EXPECT_EQ(head->newer, nullptr);
    EXPECT_EQ(head->older, nullptr);
    EXPECT_EQ(CountBusyBlocks(objectHeap), 1);
}

} // namespace
