#include <core/RawSystemText.h>

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace RawLayer;

TEST(RawSystemText, NameBytesPassUnchangedEvenWhenNotUtf8)
{
    // A file name the system gave us goes back as the same bytes, so it opens the same file.
    QuelvaneTest::TestFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    std::string name = folder.Path() + "/bad\xFF\xFEname";
    int fd = open(name.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    RawString path(name, RawEncoding::Utf8);
    RawSystemText system(path);
    ASSERT_TRUE(system.IsValid());
    EXPECT_EQ(system.View(), name);
    EXPECT_EQ(access(system.CStr(), F_OK), 0);
}

TEST(RawSystemText, OtherEncodingsAreConvertedToTheLocaleCodeset)
{
    // The tests run under a UTF-8 locale (the test main sets it from LC_ALL=C.UTF-8).
    RawString wide(u"/tmp/日本");
    RawSystemText from_wide(wide);
    ASSERT_TRUE(from_wide.IsValid());
    EXPECT_EQ(from_wide.View(), "/tmp/日本");
    RawString sjis(std::string_view("\x93\xFA", 2), RawEncoding::Sjis);
    EXPECT_EQ(RawSystemText(sjis).View(), "日");
}

TEST(RawSystemText, TextThatWouldBeCutShortIsRefused)
{
    RawString with_zero(std::string_view("a\0b", 3), RawEncoding::Utf8);
    EXPECT_FALSE(RawSystemText(with_zero).IsValid());
    EXPECT_STREQ(RawSystemText(with_zero).CStr(), "");
    RawString lone(u"\xD800");
    EXPECT_FALSE(RawSystemText(lone).IsValid());
}
