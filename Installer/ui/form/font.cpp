#include "font.h"

#include "owners.h"
#include "twips.h"

#include <map>
#include <tuple>

namespace instalio::ui {

HFONT GetFont(const FontSpec& spec) {
    static std::map<std::tuple<std::string, int, bool>, ScopedFont> fonts;
    auto key = std::make_tuple(spec.Name, spec.Size, spec.Bold);
    auto found = fonts.find(key);
    if (found != fonts.end()) {
        return found->second.get();
    }
    constexpr int kPointsPerInch = 72;
    LOGFONTA font{};
    font.lfHeight = -MulDiv(spec.Size, kPixelsPerInch, kPointsPerInch);
    font.lfWeight = spec.Bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(font.lfFaceName, spec.Name.c_str(), LF_FACESIZE);
    return fonts.emplace(key, ScopedFont(CreateFontIndirectA(&font))).first->second.get();
}

} // namespace instalio::ui
