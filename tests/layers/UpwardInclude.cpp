// Compiled twice by the layer check: as part of the engine layer, where this include of a
// toolkit header must fail, and as part of a target that links the toolkit, where it must build.
#include <toolkit/WinView.h>

int LayerCheckUsesTheToolkit()
{
    return sizeof(WinLayer::WinView) > 0 ? 0 : 1;
}
