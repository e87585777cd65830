// Loads arbitrary bytes as a result data file. A rejected file must change nothing. A loaded one
// is saved again as a "Detail" file (which must succeed: everything loaded has a saved form),
// and loading that copy must give the same parameters and blocks.

#include <engine/JobResultFile.h>

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <tests/TestSupport.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawEncoding;

namespace {

struct WorkFolder {
    QuelvaneTest::TestFolder temp;
    std::string input;
    std::string copy;
    std::string simple;

    WorkFolder()
    {
        if (temp.Path().empty())
            std::abort();
        input = temp.Path() + "/input.txt";
        copy = temp.Path() + "/copy.txt";
        simple = temp.Path() + "/simple.txt";
    }
};

WorkFolder& Work()
{
    static WorkFolder work;
    return work;
}

RawString Text(const std::string& bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void WriteBytes(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr);
    Check(bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
}

// A list of one empty item is saved like an empty list and comes back empty.
bool SameList(const RawStringList& a, const RawStringList& b)
{
    auto empty = [](const RawStringList& list) {
        return list.IsEmpty() || (list.Count() == 1 && list.Front().IsEmpty());
    };
    if (empty(a) || empty(b))
        return empty(a) && empty(b);
    if (a.Count() != b.Count())
        return false;
    for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
        if (!x->Equals(*y))
            return false;
    }
    return true;
}

void CheckSameParams(const JobParams& a, const JobParams& b)
{
    Check(SameList(a.targets, b.targets) && SameList(a.filters, b.filters));
    Check(SameList(a.expressions, b.expressions) && SameList(a.replacements, b.replacements));
    Check(a.ignore_case == b.ignore_case && a.preview == b.preview);
    Check(a.checker == b.checker && a.line_count == b.line_count);
}

void CheckSameBlock(const JobBlockUnit& a, const JobBlockUnit& b)
{
    Check(a.Flags() == b.Flags() && a.file_path.Equals(b.file_path) && a.base_path.Equals(b.base_path));
    Check(a.display_name.Equals(b.display_name) && a.file_time == b.file_time);
    Check(a.line_number == b.line_number && a.line_count == b.line_count);
    Check(a.original.Equals(b.original) && a.replaced.Equals(b.replaced));
    Check(a.line_end.Equals(b.line_end) && a.file_line_end.Equals(b.file_line_end));
    Check(a.file_encoding == b.file_encoding && a.byte_order_mark == b.byte_order_mark);
    Check(a.hit_record.ToText().Equals(b.hit_record.ToText()));
    Check(a.hit_replaced.ToText().Equals(b.hit_replaced.ToText()));
}

// Blocks that shared a status entry share one after the second load, and only those.
void CheckSameSharing(const JobResultSet& a, const JobResultSet& b)
{
    std::map<uint32_t, uint32_t> forward;
    std::map<uint32_t, uint32_t> backward;
    for (auto x = a.blocks.begin(), y = b.blocks.begin(); x != a.blocks.end(); ++x, ++y) {
        Check((x->status_id == 0) == (y->status_id == 0));
        Check(forward.try_emplace(x->status_id, y->status_id).first->second == y->status_id);
        Check(backward.try_emplace(y->status_id, x->status_id).first->second == x->status_id);
    }
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
    WriteBytes(work.input, std::string_view(reinterpret_cast<const char*>(data), size));

    JobStatusCentre status;
    status.SetAccepting(true);
    JobParams params;
    params.expressions.Add(Text("before"));
    JobResultSet results;
    results.blocks.Append(new JobBlockUnit());

    JobResultFile::LoadResult loaded = JobResultFile::Load(Text(work.input), params, results, status);
    if (!loaded.success) {
        Check(params.expressions.Count() == 1 && results.blocks.Count() == 1);
        Check(status.Count() == 1);
        return 0;
    }
    Check(loaded.results || results.blocks.IsEmpty());
    Check(JobResultFile::Save(Text(work.copy), JobResultFile::Type::Detail, params, results, status));
    Check(JobResultFile::Save(Text(work.simple), JobResultFile::Type::Simple, params, results, status));

    JobParams again_params;
    JobResultSet again;
    JobResultFile::LoadResult reloaded = JobResultFile::Load(Text(work.copy), again_params, again, status);
    Check(reloaded.success && reloaded.results);
    CheckSameParams(params, again_params);
    Check(results.Flags() == again.Flags() && results.FilesSearched() == again.FilesSearched());
    Check(results.CurrentTarget().Equals(again.CurrentTarget()));
    Check(results.blocks.Count() == again.blocks.Count());
    for (auto x = results.blocks.begin(), y = again.blocks.begin(); x != results.blocks.end(); ++x, ++y)
        CheckSameBlock(*x, *y);
    CheckSameSharing(results, again);
    return 0;
}
