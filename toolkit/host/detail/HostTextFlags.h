#pragma once

// How the host reads HostText flags: with kTabStop, bits 8-15 hold the tab length instead of
// kNoClip, kCalcRect and kNoPrefix.

#include <toolkit/host/HostTypes.h>

namespace WinLayer::HostTextFlags {

constexpr int32_t kDefaultTabLength = 8;

constexpr bool Has(uint32_t flags, uint32_t flag)
{
    if ((flags & HostText::kTabStop) != 0 && (flag & 0xFF00) != 0)
        return false;
    return (flags & flag) != 0;
}

// Tab length in characters (8 when not given or given as 0).
constexpr int32_t TabLength(uint32_t flags)
{
    const int32_t given = (flags & HostText::kTabStop) != 0 ? static_cast<int32_t>((flags >> 8) & 0xFF) : 0;
    return given > 0 ? given : kDefaultTabLength;
}

// Prefix marks are read unless kNoPrefix is given; text with its own tab length is data text.
constexpr bool Prefix(uint32_t flags)
{
    return (flags & HostText::kTabStop) == 0 && (flags & HostText::kNoPrefix) == 0;
}

} // namespace WinLayer::HostTextFlags
