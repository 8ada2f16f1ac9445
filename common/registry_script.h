// Registry scripts: the registration of a component written as a resource
// text and applied in register or unregister mode.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {580B0791-...} = s 'Log Class'
//           {
//               ProgID = s 'tbserv.Log.1'
//               LocalServer32 = s '%MODULE%'
//               val AppID = s '{580B0785-...}'
//               Programmable
//           }
//       }
//       Delete LaunchTBBAR.LaunchTBBAR
//   }
//
// Roots: HKCR, HKCU, HKLM (or their long names). Key flags: NoRemove (kept
// at unregistration), ForceRemove (replaced whole at registration), Delete
// (removed in both modes). A key may have a default value (= s|d ...) and
// values (val name = s 'text' | d number | b hexbytes). Names and texts are
// bare words or quoted with ''; a quote inside is doubled. %NAME% is
// replaced from the variables given to the run; %% is a percent sign.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "common/registry.h"

namespace tb {

struct RegScriptValue {
    enum class Kind { String, Dword, Binary } kind = Kind::String;
    std::string text;
    uint32_t number = 0;
    std::vector<uint8_t> bytes;
};

struct RegScriptKey {
    enum class Flag { None, NoRemove, ForceRemove, Delete } flag = Flag::None;
    std::string name;
    std::optional<RegScriptValue> defaultValue;
    std::vector<std::pair<std::string, RegScriptValue>> values;
    std::vector<RegScriptKey> subkeys;
};

struct RegScriptRoot {
    RegRoot root;
    std::vector<RegScriptKey> keys;
};

struct RegScript {
    std::vector<RegScriptRoot> roots;
};

struct RegScriptParse {
    std::optional<RegScript> script;
    std::string error;  // with the line number, when script is empty
};

using RegScriptVariables = std::map<std::string, std::string>;

RegScriptParse parseRegScript(const std::string& text, const RegScriptVariables& variables);

enum class RegScriptMode { Register, Unregister };

// Applies the script; true when every step that must succeed did
// (unregistration never fails on keys that are already gone).
bool runRegScript(const RegScript& script, RegScriptMode mode, Registry& registry);

}  // namespace tb
