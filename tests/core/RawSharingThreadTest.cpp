#include <core/RawStringList.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace RawLayer;

// Jobs hand strings and lists to the window thread and back: copies and releases of one body
// from several threads at once must keep the count right and free the body exactly once.
TEST(RawSharingThreads, ConcurrentCopiesAndReleasesOfOneStringBody)
{
    RawString shared(std::string_view("shared text"), RawEncoding::Utf8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([shared] {
            for (int i = 0; i < 20000; ++i) {
                RawString copy = shared;
                RawString changed = copy;
                (void)changed.Append(RawString("!"));
                ASSERT_EQ(copy.View(), "shared text");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(shared.ExtraReferences(), 0);
}

TEST(RawSharingThreads, ConcurrentHandlesOfOneListBody)
{
    RawStringList list;
    for (int i = 0; i < 100; ++i)
        list.Add(RawString::Number(i));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&list] {
            for (int i = 0; i < 5000; ++i) {
                RawStringList copy = list;
                ASSERT_EQ(copy.Count(), 100);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(list.ExtraReferences(), 0);
}

TEST(RawSharingThreads, LastReleaseOnAnotherThreadFreesTheBody)
{
    for (int round = 0; round < 200; ++round) {
        auto* text = new RawString(RawString::Number(round));
        RawString handed = *text;
        std::thread worker([handed]() mutable { handed = RawString(); });
        delete text;
        worker.join();
    }
}
