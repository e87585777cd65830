#pragma once

// Bitmaps by name, and their scaled copies. Image boxes ask for a source at the size they show it
// with the scaling function they use; the pool scales once and hands the same copy to every box
// that asks again. The standard icons (question, warning, information) are drawn here, at any
// size, so the program carries no image files for them.
//
// The pool belongs to the user-interface thread. Scaled copies are shared pointers: a box keeps
// its copy even when the pool drops it to stay under its limit or because the source changed.

#include <toolkit/WinBitmapAlpha.h>
#include <toolkit/host/HostBitmap.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace WinLayer {

class WinBitmapPool {
public:
    enum class Icon { Question, Warning, Information };

    using BitmapPtr = std::shared_ptr<const HostBitmap>;

    // Scaled copies kept at most; the least recently used goes first.
    static constexpr size_t kDefaultLimit = 64;
    // The size at which standard icons are drawn as sources; scaled copies come from it.
    static constexpr int32_t kIconSourceSize = 128;

    // The process's pool.
    static WinBitmapPool& Instance();

    // Adds or replaces a source; the scaled copies of an old source under the name are dropped.
    void AddSource(const std::string& name, HostBitmap bitmap);
    // Reads a PNG file as a source; false (and nothing added) when it cannot be read.
    bool LoadSource(const std::string& name, const std::string& png_path);
    bool HasSource(const std::string& name) const;
    // The source itself; null when there is none of that name.
    BitmapPtr Source(const std::string& name) const;

    // The source scaled to width x height by `function`; null when the source is missing or the
    // size is not positive. A standard icon's name (IconName) needs no AddSource.
    BitmapPtr Scaled(
        const std::string& name, int32_t width, int32_t height, WinBitmapAlpha::Function function);

    static std::string IconName(Icon icon);
    // A standard icon drawn at `size` x `size` pixels (straight from the shapes, not scaled).
    static HostBitmap DrawIcon(Icon icon, int32_t size);

    size_t CachedCount() const { return cache_.size(); }
    void SetLimit(size_t limit);
    // Drops every scaled copy (sources stay).
    void ClearCache();

private:
    struct Entry {
        std::string name;
        int32_t width = 0;
        int32_t height = 0;
        WinBitmapAlpha::Function function = nullptr;
        BitmapPtr bitmap;
        uint64_t last_use = 0;
    };

    // Makes a standard icon's source on first use; false for other names.
    bool EnsureIconSource(const std::string& name);
    void Trim();

    std::map<std::string, BitmapPtr> sources_;
    std::vector<Entry> cache_;
    size_t limit_ = kDefaultLimit;
    uint64_t clock_ = 0;
};

} // namespace WinLayer
