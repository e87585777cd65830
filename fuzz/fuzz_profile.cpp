// Reads arbitrary bytes as a parameter file, then rewrites one section of a copy and checks that
// the section reads back as written, or, when the write fails, that the copy is untouched and no
// temporary file is left behind.

#include <core/RawParameterList.h>
#include <core/RawProfile.h>

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <dirent.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

struct WorkFolder {
    QuelvaneTest::TestFolder temp;
    std::string folder = temp.Path();
    std::string input = folder + "/input.ini";
    std::string copy = folder + "/copy.ini";

    WorkFolder()
    {
        if (folder.empty())
            std::abort();
    }
};

WorkFolder& Work()
{
    static WorkFolder work;
    return work;
}

void WriteBytes(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        std::abort();
    std::fclose(file);
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        std::abort();
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

int CountFiles(const std::string& folder)
{
    int count = 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        std::abort();
    while (dirent* entry = readdir(dir))
        count += std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..";
    closedir(dir);
    return count;
}

// The name in the first line of the input that starts with "[", taken as bytes.
std::string FirstHeaderName(std::string_view bytes)
{
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        std::string_view line = bytes.substr(start, end == bytes.npos ? bytes.npos : end - start);
        if (!line.empty() && line.front() == '[') {
            std::size_t last = line.rfind(']');
            return std::string(line.substr(1, last == line.npos || last == 0 ? line.npos : last - 1));
        }
        if (end == bytes.npos)
            break;
        start = end + 1;
    }
    return std::string();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::setlocale(LC_ALL, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    WorkFolder& work = Work();
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    WriteBytes(work.input, bytes);
    WriteBytes(work.copy, bytes);

    RawProfile profile(RawString(work.input, RawEncoding::Utf8));
    RawParameterList list;
    for (const std::string& name : { FirstHeaderName(bytes), std::string("Common"), std::string() }) {
        bool found = profile.ReadSection(RawString(name, RawEncoding::Utf8), list);
        if (found != (list.Count() > 0))
            std::abort();
    }

    RawParameterList written;
    written.Add("alpha", "1");
    written.Add("Beta", "x=y");
    written.Add("", "");
    written.Add("gamma", RawString("\xE5\x80\xA4", RawEncoding::Utf8));
    RawProfile copy(RawString(work.copy, RawEncoding::Utf8));
    if (copy.WriteSection("Fuzz", written)) {
        RawParameterList reread;
        RawProfile check(RawString(work.copy, RawEncoding::Utf8));
        if (!check.ReadSection("fuzz", reread) || reread.Count() != written.Count())
            std::abort();
        for (auto a = written.begin(), b = reread.begin(); a != written.end(); ++a, ++b) {
            if (!a->key.Equals(b->key) || !a->value.Equals(b->value))
                std::abort();
        }
    } else if (ReadBytes(work.copy) != bytes) {
        std::abort();
    }
    if (CountFiles(work.folder) != 2)
        std::abort();
    return 0;
}
