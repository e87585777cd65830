#include <toolkit/host/detail/HostDisplayScale.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <SDL.h>

namespace WinLayer::HostDisplayScale {

namespace {

// Densities outside this range are mistakes (a factor typed as dpi, or the reverse).
constexpr double kLowestDpi = 48.0;
constexpr double kHighestDpi = 960.0;

double factor = 1.0;

// A positive number that fills the whole text (blanks around it allowed); 0 otherwise.
double NumberOf(std::string_view text)
{
    const std::string copy(text);
    const char* start = copy.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value))
        return 0;
    for (; *end != '\0'; ++end)
        if (*end != ' ' && *end != '\t' && *end != '\r')
            return 0;
    return value;
}

double Sane(double dpi)
{
    return dpi >= kLowestDpi && dpi <= kHighestDpi ? dpi : 0;
}

// The value of the resource line "Xft.dpi:" (the X resource syntax: name, colon, value).
double XftDpi(std::string_view resources)
{
    constexpr std::string_view kName = "Xft.dpi";
    while (!resources.empty()) {
        const size_t end = resources.find('\n');
        std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view {} : resources.substr(end + 1);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (!line.starts_with(kName))
            continue;
        line.remove_prefix(kName.size());
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.starts_with(':'))
            return Sane(NumberOf(line.substr(1)));
    }
    return 0;
}

} // namespace

double DpiFrom(const char* quelvane_scale, std::string_view x_resources, const char* gdk_scale)
{
    if (quelvane_scale != nullptr)
        if (const double dpi = Sane(NumberOf(quelvane_scale) * kDefaultDpi); dpi > 0)
            return dpi;
    if (const double dpi = XftDpi(x_resources); dpi > 0)
        return dpi;
    if (gdk_scale != nullptr) {
        const double whole = NumberOf(gdk_scale);
        if (whole == std::floor(whole))
            if (const double dpi = Sane(whole * kDefaultDpi); dpi > 0)
                return dpi;
    }
    return kDefaultDpi;
}

double Factor()
{
    return factor;
}

void SetFactor(double new_factor)
{
    factor = new_factor > 0 ? new_factor : 1.0;
}

int32_t ToDevice(int32_t logical)
{
    return static_cast<int32_t>(std::lround(logical * factor));
}

int32_t FromDevice(int32_t device)
{
    return static_cast<int32_t>(std::lround(device / factor));
}

int32_t ToLogical(int32_t device)
{
    return static_cast<int32_t>(std::floor(device / factor));
}

int32_t CentreOf(int32_t logical)
{
    return static_cast<int32_t>(std::floor((logical + 0.5) * factor));
}

bool Whole(int32_t logical)
{
    const double device = logical * factor;
    return device == std::floor(device);
}

HostRect ToDevice(const HostRect& logical)
{
    return { static_cast<int32_t>(std::floor(logical.left * factor)),
        static_cast<int32_t>(std::floor(logical.top * factor)),
        static_cast<int32_t>(std::ceil(logical.right * factor)),
        static_cast<int32_t>(std::ceil(logical.bottom * factor)) };
}

HostRect CoverOf(const HostRect& device)
{
    return { ToLogical(device.left), ToLogical(device.top),
        static_cast<int32_t>(std::ceil(device.right / factor)),
        static_cast<int32_t>(std::ceil(device.bottom / factor)) };
}

void SetWindowSize(SDL_Window* window, int32_t width, int32_t height)
{
    SDL_SetWindowSize(window, std::max(ToDevice(width), 1), std::max(ToDevice(height), 1));
}

void SetWindowPosition(SDL_Window* window, int32_t x, int32_t y)
{
    SDL_SetWindowPosition(window, ToDevice(x), ToDevice(y));
}

void SetWindowLimits(SDL_Window* window, const HostMinMaxInfo& limits)
{
    SDL_SetWindowMinimumSize(
        window, std::max(ToDevice(limits.min_track.cx), 1), std::max(ToDevice(limits.min_track.cy), 1));
    if (limits.max_track.cx > 0 && limits.max_track.cy > 0)
        SDL_SetWindowMaximumSize(window, ToDevice(limits.max_track.cx), ToDevice(limits.max_track.cy));
}

} // namespace WinLayer::HostDisplayScale
