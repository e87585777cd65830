#pragma once

// The one pango context that every font, layout and measurement of the host shares: a font map
// of its own (so it does not depend on the thread that first asks), 96 dots per inch, the
// language "ja" (kanji take Japanese forms) and fixed rendering options, so that text measures
// and renders the same with or without a display. Used on the user-interface thread only.

struct _PangoContext;

namespace WinLayer::HostFontContext {

_PangoContext* Context();

} // namespace WinLayer::HostFontContext
