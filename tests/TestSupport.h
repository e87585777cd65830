#pragma once

// Small helpers every test suite uses: UTF-8 strings from literals, a string list as plain
// strings for comparisons, and a fresh folder that is removed with all it holds.

#include <core/RawString.h>
#include <core/RawStringList.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace QuelvaneTest {

inline RawLayer::RawString Utf8(std::string_view text)
{
    return RawLayer::RawString(text, RawLayer::RawEncoding::Utf8);
}

inline std::vector<std::string> Texts(const RawLayer::RawStringList& list)
{
    std::vector<std::string> texts;
    for (const RawLayer::RawString& text : list)
        texts.push_back(text.Str());
    return texts;
}

// A new folder in the temporary folder for one test; removed when the test ends.
class TestFolder {
public:
    TestFolder()
    {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern
            = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/quelvane-test-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TestFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // Empty when no folder could be made.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace QuelvaneTest
