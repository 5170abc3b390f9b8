#include "logging/SettingsSearch.h"

#include "logging/CXFSAdaptedHtmlParser.h"
#include "logging/ModuleName.h"

namespace Kavro::Greywick {

std::string FindModuleLevelList(std::string_view settings, std::string_view moduleName) {
    Kavro::Utilities::XML::CXFSAdaptedHtmlParser parser(settings.data(), settings.size());
    std::string list;
    if (!parser.EnterElement("<GreywickSettings>", "</GreywickSettings>", nullptr, nullptr, true)) {
        return list;
    }

    const std::string wanted = LowerModuleName(moduleName);
    bool listed = false;
    if (parser.EnterElement("<clients>", "</clients>", nullptr, nullptr, true)) {
        while (parser.EnterElement("<module>", "</module>", nullptr, nullptr, true)) {
            std::string name;
            parser.GetAttribute("<name ", "val", name);
            if (!name.empty() && LowerModuleName(name) == wanted) {
                if (parser.GetAttribute("<loglevel ", "val", list)) {
                    return list;
                }
                listed = true;
                parser.LeaveElement();
                break;
            }
            parser.LeaveElement();
            parser.FindTag("</module>");
        }
        parser.LeaveElement();
    }

    if (parser.EnterElement("<globals>", "</globals>", nullptr, nullptr, true) &&
        parser.EnterElement("<loglevel>", "</loglevel>", nullptr, nullptr, true)) {
        parser.GetAttribute(listed ? "<traced_modules " : "<nontraced_modules ", "val", list);
    }
    return list;
}

}  // namespace Kavro::Greywick
