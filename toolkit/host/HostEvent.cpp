// Decoding host messages into typed events; the one place outside the host's own senders that
// reads the pointers messages carry.

#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

namespace {

// The object a message carries in its parameter: the one conversion from a parameter to a pointer.
template <typename T> T* Carried(HostLParam param)
{
    return reinterpret_cast<T*>(param);
}

uint32_t MouseModifiers(HostWParam flags)
{
    uint32_t modifiers = Host::Modifiers() & HostMod::kAlt;
    if ((flags & kMkShift) != 0)
        modifiers |= HostMod::kShift;
    if ((flags & kMkControl) != 0)
        modifiers |= HostMod::kControl;
    if ((flags & kMkLButton) != 0)
        modifiers |= HostMod::kLeftButton;
    if ((flags & kMkRButton) != 0)
        modifiers |= HostMod::kRightButton;
    if ((flags & kMkMButton) != 0)
        modifiers |= HostMod::kMiddleButton;
    return modifiers;
}

HostEvent Mouse(HostEventKind kind, HostMouseButton button, HostWParam wparam, HostLParam lparam)
{
    HostEvent event;
    event.kind = kind;
    event.button = button;
    event.point = { HostPointX(lparam), HostPointY(lparam) };
    event.modifiers = MouseModifiers(wparam);
    return event;
}

// A context menu asked for from the keyboard opens in the middle of the window's client area.
HostPoint ContextPoint(HostHandle window, HostLParam lparam)
{
    if (lparam != -1)
        return Host::ScreenToClient(window, { HostPointX(lparam), HostPointY(lparam) });
    const HostRect client = Host::ClientRect(window);
    return { client.Width() / 2, client.Height() / 2 };
}

} // namespace

HostEvent Host::Decode(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    HostEvent event;
    switch (message) {
    case HostMsg::kPaint:
        if (lparam == 0)
            return event;
        event.kind = HostEventKind::Paint;
        event.painter = Carried<HostPainter>(lparam);
        event.dirty = event.painter->ClipBox();
        return event;
    case HostMsg::kLButtonDown:
        return Mouse(HostEventKind::MouseDown, HostMouseButton::Left, wparam, lparam);
    case HostMsg::kRButtonDown:
        return Mouse(HostEventKind::MouseDown, HostMouseButton::Right, wparam, lparam);
    case HostMsg::kMButtonDown:
        return Mouse(HostEventKind::MouseDown, HostMouseButton::Middle, wparam, lparam);
    case HostMsg::kLButtonUp:
        return Mouse(HostEventKind::MouseUp, HostMouseButton::Left, wparam, lparam);
    case HostMsg::kRButtonUp:
        return Mouse(HostEventKind::MouseUp, HostMouseButton::Right, wparam, lparam);
    case HostMsg::kMButtonUp:
        return Mouse(HostEventKind::MouseUp, HostMouseButton::Middle, wparam, lparam);
    case HostMsg::kLButtonDblClk:
        return Mouse(HostEventKind::DoubleClick, HostMouseButton::Left, wparam, lparam);
    case HostMsg::kRButtonDblClk:
        return Mouse(HostEventKind::DoubleClick, HostMouseButton::Right, wparam, lparam);
    case HostMsg::kMouseMove:
        return Mouse(HostEventKind::MouseMove, HostMouseButton::Left, wparam, lparam);
    case HostMsg::kMouseWheel:
        event.kind = HostEventKind::MouseWheel;
        event.point = ScreenToClient(window, { HostPointX(lparam), HostPointY(lparam) });
        event.wheel_delta = static_cast<int16_t>(HostHighWord(wparam));
        event.modifiers = MouseModifiers(HostLowWord(wparam));
        return event;
    case HostMsg::kKeyDown:
    case HostMsg::kKeyUp:
        event.kind = message == HostMsg::kKeyDown ? HostEventKind::KeyDown : HostEventKind::KeyUp;
        event.key = static_cast<uint32_t>(wparam);
        event.modifiers = Modifiers();
        return event;
    case HostMsg::kChar:
        event.kind = HostEventKind::Char;
        event.code_point = static_cast<char32_t>(wparam);
        return event;
    case HostMsg::kImeComposition:
        if (lparam == 0)
            return event;
        event.kind = HostEventKind::Composition;
        event.composition = Carried<const HostComposition>(lparam);
        return event;
    case HostMsg::kImeEndComposition: {
        // The end is a composition with nothing left to compose.
        static const HostComposition kEnded {};
        event.kind = HostEventKind::Composition;
        event.composition = &kEnded;
        return event;
    }
    case HostMsg::kSetFocus:
        event.kind = HostEventKind::FocusGained;
        return event;
    case HostMsg::kKillFocus:
        event.kind = HostEventKind::FocusLost;
        return event;
    case HostMsg::kCaptureChanged:
        if (static_cast<HostHandle>(lparam) != window)
            event.kind = HostEventKind::CaptureLost;
        return event;
    case HostMsg::kTimer:
        event.kind = HostEventKind::Timer;
        event.timer_id = wparam;
        return event;
    case HostMsg::kDropFiles:
        if (lparam == 0)
            return event;
        event.kind = HostEventKind::DropFiles;
        event.drop = Carried<const HostDrop>(lparam);
        event.point = event.drop->point;
        return event;
    case HostMsg::kContextMenu:
        event.kind = HostEventKind::ContextMenu;
        event.point = ContextPoint(window, lparam);
        return event;
    case HostMsg::kVScroll:
    case HostMsg::kHScroll:
        event.kind = HostEventKind::Scroll;
        event.bar = message == HostMsg::kVScroll ? kSbVert : kSbHorz;
        event.scroll_code = HostLowWord(wparam);
        event.scroll_position = static_cast<int32_t>(lparam);
        return event;
    case HostMsg::kMeasureItem:
        if (lparam == 0)
            return event;
        event.kind = HostEventKind::MeasureItem;
        event.measure_item = Carried<HostMeasureItem>(lparam);
        return event;
    case HostMsg::kDrawItem:
        if (lparam == 0)
            return event;
        event.kind = HostEventKind::DrawItem;
        event.draw_item = Carried<const HostDrawItem>(lparam);
        return event;
    default:
        return event;
    }
}

HostMinMaxInfo* Host::MinMaxInfoOf(uint32_t message, HostLParam lparam)
{
    return message == HostMsg::kGetMinMaxInfo ? Carried<HostMinMaxInfo>(lparam) : nullptr;
}

HostWindowPos* Host::WindowPosOf(uint32_t message, HostLParam lparam)
{
    const bool position = message == HostMsg::kWindowPosChanging || message == HostMsg::kWindowPosChanged;
    return position ? Carried<HostWindowPos>(lparam) : nullptr;
}

HostResult Host::SendMeasureItem(HostHandle dialog, HostMeasureItem& item)
{
    return SendMessage(dialog, HostMsg::kMeasureItem, item.control_id, reinterpret_cast<HostLParam>(&item));
}

HostResult Host::SendDrawItem(HostHandle dialog, const HostDrawItem& item)
{
    return SendMessage(dialog, HostMsg::kDrawItem, item.control_id, reinterpret_cast<HostLParam>(&item));
}

} // namespace WinLayer
