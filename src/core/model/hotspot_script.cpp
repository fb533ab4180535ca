#include "model/hotspot_script.h"

namespace tevpng {

std::string BuildHotspotScript(std::string_view hotspotName, const DrawRectangle& rect) {
    std::string script;
    script += "CreateScript(\"SCRIPT\",\"msrp$\")\r\n";
    script += "Param$='SCRIPT:1='+'MoveObject(\"";
    script += hotspotName;
    script += "\",\"";
    script += std::to_string(rect.x) + "," + std::to_string(rect.y) + "," +
              std::to_string(rect.width) + "," + std::to_string(rect.height);
    script += "\")'\r\n";
    script += "SetObjectParam(\"msrp$\",\"Param$\")\r\n";
    script += "RunScript(\"msrp$\")\r\n";
    return script;
}

}  // namespace tevpng
