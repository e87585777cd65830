#include <engine/JobBackupListSort.h>

#include <algorithm>
#include <string_view>

namespace JobLayer {

namespace {

unsigned char Folded(char c)
{
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

} // namespace

int JobBackupListSort::ComparePaths(const RawString& a, const RawString& b)
{
    std::string_view left = a.View();
    std::string_view right = b.View();
    std::size_t common = std::min(left.size(), right.size());
    for (std::size_t pos = 0; pos < common; ++pos)
        if (Folded(left[pos]) != Folded(right[pos]))
            return Folded(left[pos]) < Folded(right[pos]) ? -1 : 1;
    return left.size() == right.size() ? 0 : left.size() < right.size() ? -1 : 1;
}

int JobBackupListSort::CompareTyped(const JobBackupUnit& a, const JobBackupUnit& b) const
{
    return ComparePaths(a.Folder(), b.Folder());
}

} // namespace JobLayer
