// quelvane-gallery: one window with one of each control of the toolkit.
//
//   quelvane-gallery [--screenshot FILE] [--snapshot-on-signal PREFIX] [--print-layout]

#include <toolkit/WinDialog.h>
#include <toolkit/gallery/GalleryDialog.h>
#include <toolkit/host/HostSystem.h>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

void PrintUsage()
{
    std::fprintf(stderr,
        "usage: quelvane-gallery [--screenshot FILE] [--snapshot-on-signal PREFIX] [--print-layout]\n"
        "  --screenshot FILE            save the window to FILE and the info dialog to FILE with\n"
        "                               \"-info\" before the extension, then end\n"
        "  --snapshot-on-signal PREFIX  on each SIGUSR1 save PREFIX-N.png and print its path\n"
        "  --print-layout               print the standalone toggle's rectangle (client coordinates)\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    Gallery::GalleryDialog::Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--snapshot-on-signal") == 0 && i + 1 < argc) {
            options.snapshot_prefix = argv[++i];
        } else if (std::strcmp(argv[i], "--print-layout") == 0) {
            options.print_layout = true;
        } else {
            PrintUsage();
            return 2;
        }
    }
    if (!WinLayer::Host::Start()) {
        std::fprintf(stderr, "quelvane-gallery: %s\n", WinLayer::Host::LastError().c_str());
        return 1;
    }
    int code = 0;
    {
        Gallery::GalleryDialog dialog(options);
        if (dialog.Create(nullptr))
            code = WinLayer::WinDialog::RunMessageLoop();
        else
            code = 1;
    }
    WinLayer::Host::Stop();
    return code;
}
