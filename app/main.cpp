// quelvane: the desktop program.

#include <app/GuiStartup.h>

#include <clocale>

int main(int argc, char** argv)
{
    // The locale's codeset is the "no set" encoding of texts and the language table's default.
    std::setlocale(LC_ALL, "");
    return AppLayer::GuiMain(argc, argv);
}
