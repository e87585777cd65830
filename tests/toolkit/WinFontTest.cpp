// Font records in their parameter-list form, and the hook list's order of asking.

#include <core/RawParameterList.h>
#include <toolkit/WinFont.h>
#include <toolkit/WinView.h>
#include <toolkit/WinViewHookList.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

using RawLayer::RawEncoding;
using RawLayer::RawParameterList;
using RawLayer::RawString;

WinLogFont SampleFont()
{
    WinLogFont font;
    font.height = -15;
    font.width = 7;
    font.escapement = 900;
    font.orientation = 450;
    font.weight = 700;
    font.italic = 1;
    font.underline = 0;
    font.strike_out = 1;
    font.charset = 128;
    font.out_precision = 3;
    font.clip_precision = 2;
    font.quality = 5;
    font.pitch_family = 49;
    font.face_name = u"ＭＳ ゴシック";
    return font;
}

std::vector<std::string> Keys(const RawParameterList& list)
{
    std::vector<std::string> keys;
    for (const auto& unit : list)
        keys.push_back(unit.key.Str());
    return keys;
}

TEST(WinFontRecord, SavesFourteenKeysInOrder)
{
    WinFont font(SampleFont());
    RawParameterList list;
    font.Save(list);
    EXPECT_EQ(Keys(list),
        (std::vector<std::string> { "Height", "Width", "Escapement", "Orientation", "Weight", "Italic",
            "Underline", "StrikeOut", "Charset", "OutPrecision", "ClipPrecision", "Quality", "PitchFamily",
            "FaceName" }));
    EXPECT_EQ(list.GetText("Height", "").Str(), "-15");
    EXPECT_EQ(list.GetText("Charset", "").Str(), "128");
    EXPECT_EQ(list.GetText("FaceName", "").Str(), "ＭＳ ゴシック");
    EXPECT_EQ(list.Find("FaceName")->value.Encoding(), RawEncoding::Utf8);
}

TEST(WinFontRecord, SaveReplacesKeysTheListHolds)
{
    RawParameterList list;
    list.Add("Other", "x");
    list.Add("Weight", "100");
    WinFont(SampleFont()).Save(list);
    EXPECT_EQ(list.Count(), 15);
    EXPECT_EQ(list.At(1)->key.Str(), "Weight");
    EXPECT_EQ(list.At(1)->value.Str(), "700");
}

TEST(WinFontRecord, RoundTripThroughTheList)
{
    RawParameterList list;
    WinFont(SampleFont()).Save(list);
    WinFont loaded;
    loaded.Load(list);
    EXPECT_EQ(loaded.LogFont(), SampleFont());
}

TEST(WinFontRecord, MissingKeysKeepTheirValues)
{
    WinFont font(SampleFont());
    RawParameterList list;
    list.Add("Weight", "400");
    list.Add("facename", "DejaVu Sans"); // keys are found ignoring case
    font.Load(list);
    WinLogFont expected = SampleFont();
    expected.weight = 400;
    expected.face_name = u"DejaVu Sans";
    EXPECT_EQ(font.LogFont(), expected);
}

TEST(WinFontRecord, ValuesOutsideAFieldAreClampedAndBadTextKeepsTheFace)
{
    struct Case {
        const char* key;
        const char* value;
        WinLogFont expected;
    };
    WinLogFont italic_max = SampleFont();
    italic_max.italic = 255;
    WinLogFont quality_zero = SampleFont();
    quality_zero.quality = 0;
    WinLogFont height_min = SampleFont();
    height_min.height = INT32_MIN;
    WinLogFont hex_weight = SampleFont();
    hex_weight.weight = 0x190;
    const Case cases[] = {
        { "Italic", "300", italic_max },
        { "Quality", "-4", quality_zero },
        { "Height", "-99999999999", height_min },
        { "Weight", "0x190", hex_weight },
    };
    for (const Case& c : cases) {
        WinFont font(SampleFont());
        RawParameterList list;
        list.Add(RawString(c.key, RawEncoding::Utf8), RawString(c.value, RawEncoding::Utf8));
        font.Load(list);
        EXPECT_EQ(font.LogFont(), c.expected) << c.key << "=" << c.value;
    }

    WinFont font(SampleFont());
    RawParameterList list;
    list.Add("FaceName", RawString(std::string_view("\xff\xfe bad", 6), RawEncoding::Utf8));
    font.Load(list);
    EXPECT_EQ(font.LogFont().face_name, SampleFont().face_name);
}

TEST(WinFontRecord, FaceNameInAnotherEncodingIsConverted)
{
    WinFont font;
    RawParameterList list;
    // "ＭＳ" in Shift_JIS.
    list.Add("FaceName", RawString(std::string_view("\x82\x6c\x82\x72"), RawEncoding::Sjis));
    font.Load(list);
    EXPECT_EQ(font.LogFont().face_name, u"ＭＳ");
}

TEST(WinFontRecord, SpecMappingAndFallback)
{
    const WinLogFont fallback = WinFont::FallbackLogFont();
    EXPECT_EQ(fallback.height, 12);
    EXPECT_EQ(fallback.charset, 1);
    EXPECT_EQ(fallback.weight, 0);
    EXPECT_TRUE(fallback.face_name.empty());
    EXPECT_EQ(WinFont().LogFont(), fallback);
    EXPECT_EQ(WinFont::DesktopLogFont(HostFontSpec {}), fallback) << "nothing known of the desktop font";

    HostFontSpec font_spec;
    font_spec.height = -13;
    font_spec.weight = 600;
    font_spec.italic = true;
    font_spec.face = "DejaVu Sans";
    const WinLogFont desktop = WinFont::DesktopLogFont(font_spec);
    EXPECT_EQ(desktop.height, -13);
    EXPECT_EQ(desktop.italic, 1);
    EXPECT_EQ(desktop.face_name, u"DejaVu Sans");
    EXPECT_EQ(WinFont::SpecFromLogFont(desktop), font_spec);
}

TEST(WinFontRecord, NewRecordMakesANewHostFont)
{
    WinFont font(SampleFont());
    const HostFontPtr first = font.Handle();
    ASSERT_TRUE(first);
    EXPECT_EQ(font.Handle(), first) << "made once";
    WinLogFont bigger = SampleFont();
    bigger.height = -30;
    font.SetLogFont(bigger);
    EXPECT_NE(font.Handle(), first);
    EXPECT_EQ(font.Handle()->FontSpec().height, -30);
    EXPECT_TRUE(WinFont::MessageFont() && WinFont::MenuFont() && WinFont::StatusFont());
}

// --- Hooks ------------------------------------------------------------------------------------

class RecordingHook : public WinViewHook {
public:
    RecordingHook(std::vector<int>& calls, int name, HostResult answer)
        : calls_(calls)
        , name_(name)
        , answer_(answer)
    {
    }
    HostResult HookMessage(WinView&, uint32_t, HostWParam, HostLParam) override
    {
        calls_.push_back(name_);
        if (detach_ != nullptr)
            list_->Remove(*detach_);
        return answer_;
    }
    void DetachOnCall(WinViewHookList& list, WinViewHook& hook)
    {
        list_ = &list;
        detach_ = &hook;
    }

private:
    std::vector<int>& calls_;
    int name_;
    HostResult answer_;
    WinViewHookList* list_ = nullptr;
    WinViewHook* detach_ = nullptr;
};

class PlainView : public WinView { };

TEST(WinViewHooks, AskedInOrderUntilOneAnswers)
{
    PlainView view;
    std::vector<int> calls;
    RecordingHook first(calls, 1, kHostNotHandled);
    RecordingHook second(calls, 2, 42);
    RecordingHook third(calls, 3, 7);
    WinViewHookList list;
    EXPECT_EQ(list.Ask(view, HostMsg::kTimer, 0, 0), kHostNotHandled) << "no hooks";
    EXPECT_TRUE(list.Add(first));
    EXPECT_TRUE(list.Add(second));
    EXPECT_TRUE(list.Add(third));
    EXPECT_FALSE(list.Add(second)) << "attached once";
    EXPECT_EQ(list.Ask(view, HostMsg::kTimer, 0, 0), 42);
    EXPECT_EQ(calls, (std::vector<int> { 1, 2 }));

    calls.clear();
    EXPECT_TRUE(list.Remove(second));
    EXPECT_EQ(list.Ask(view, HostMsg::kTimer, 0, 0), 7);
    EXPECT_EQ(calls, (std::vector<int> { 1, 3 }));
}

TEST(WinViewHooks, AHookMayDetachAnotherWhileAsked)
{
    PlainView view;
    std::vector<int> calls;
    RecordingHook first(calls, 1, kHostNotHandled);
    RecordingHook second(calls, 2, 5);
    WinViewHookList list;
    list.Add(first);
    list.Add(second);
    first.DetachOnCall(list, second);
    EXPECT_EQ(list.Ask(view, HostMsg::kTimer, 0, 0), kHostNotHandled);
    EXPECT_EQ(calls, (std::vector<int> { 1 }));
    EXPECT_EQ(list.Count(), 1);
}

} // namespace
} // namespace WinLayer
