#include <core/RawEncoding.h>
#include <engine/JobPieceEncoder.h>

#include <array>
#include <memory>

namespace JobLayer {

using RawLayer::RawEncoding;

namespace {

// For every UTF-16 unit, how many byte sequences of code page 932 convert to it alone, and the
// last one seen. Built once, by converting every one- and two-byte sequence; a sequence that
// converts to several units makes each of them count as having several forms.
struct SjisTable {
    std::array<uint8_t, 65536> count {};
    std::array<uint16_t, 65536> form {};

    void Add(std::string_view bytes)
    {
        auto units = RawLayer::RawToUtf16(bytes, RawEncoding::Sjis);
        if (!units || units->empty())
            return;
        for (char16_t unit : *units) {
            uint8_t& seen = count[unit];
            seen = static_cast<uint8_t>(seen < 2 ? seen + (units->size() == 1 ? 1 : 2) : 2);
        }
        if (units->size() == 1) {
            uint16_t value = static_cast<uint8_t>(bytes[0]);
            if (bytes.size() == 2)
                value = static_cast<uint16_t>(value << 8 | static_cast<uint8_t>(bytes[1]));
            form[(*units)[0]] = value;
        }
    }

    // A first byte that is a character of its own starts no two-byte sequence: its pairs are
    // two characters.
    SjisTable()
    {
        for (int first = 1; first < 256; ++first) {
            char one = static_cast<char>(first);
            if (RawLayer::RawToUtf16(std::string_view(&one, 1), RawEncoding::Sjis)) {
                Add(std::string_view(&one, 1));
                continue;
            }
            for (int second = 0x40; second < 256; ++second) {
                char two[2] = { one, static_cast<char>(second) };
                Add(std::string_view(two, 2));
            }
        }
    }
};

const SjisTable& Sjis()
{
    static const std::unique_ptr<SjisTable> table = std::make_unique<SjisTable>();
    return *table;
}

void AppendUnit(std::string& bytes, char16_t unit, bool big_endian)
{
    char high = static_cast<char>(unit >> 8);
    char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
}

void AppendSjis(std::string& bytes, uint16_t form)
{
    if (form > 0xFF)
        bytes += static_cast<char>(form >> 8);
    bytes += static_cast<char>(form & 0xFF);
}

} // namespace

uint16_t JobPieceEncoder::SjisForm(char16_t unit)
{
    const SjisTable& table = Sjis();
    return table.count[unit] == 1 ? table.form[unit] : 0;
}

std::vector<std::string> JobPieceEncoder::Encode(std::string_view units, Form form)
{
    if (form == Form::Same)
        return { std::string(units) };
    std::vector<std::string> runs;
    auto wide = RawLayer::RawToUtf16(units, RawEncoding::Utf8);
    if (!wide)
        return runs;
    std::string run;
    for (char16_t unit : *wide) {
        if (form != Form::Sjis) {
            AppendUnit(run, unit, form == Form::Utf16Be);
            continue;
        }
        uint16_t bytes = SjisForm(unit);
        if (bytes == 0) {
            if (!run.empty())
                runs.push_back(run);
            run.clear();
            continue;
        }
        AppendSjis(run, bytes);
    }
    if (!run.empty())
        runs.push_back(run);
    return runs;
}

} // namespace JobLayer
