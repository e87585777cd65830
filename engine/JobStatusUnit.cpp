#include <engine/JobStatusUnit.h>

#include <atomic>

namespace JobLayer {

JobStatusUnit::JobStatusUnit(
    uint32_t entry_id, Kind entry_kind, const RawString& entry_text, const RawString& entry_path)
    : id(entry_id)
    , kind(entry_kind)
    , text(entry_text)
    , path(entry_path)
    , display(DisplayText(entry_text, entry_path))
{
}

uint32_t JobStatusUnit::NewId()
{
    static std::atomic<uint32_t> last_id { 0 };
    return last_id.fetch_add(1) + 1;
}

RawString JobStatusUnit::DisplayText(const RawString& text, const RawString& path)
{
    RawString display(RawLayer::RawEncoding::Utf8);
    bool converted = path.IsEmpty() ? display.Append(text) : display.Append(text, " (", path, ")");
    if (!converted) {
        // A name the system gave us need not be valid in any codeset; showing its bytes beats
        // losing the message.
        display.AppendUnits(text.View());
        if (!path.IsEmpty()) {
            display.AppendUnits(" (");
            display.AppendUnits(path.View());
            display.AppendUnits(")");
        }
    }
    return display;
}

} // namespace JobLayer
