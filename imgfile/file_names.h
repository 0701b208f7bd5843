// File types by name. Linux file systems are case-sensitive and folders may hold dots, so only the final
// extension of the last path component counts, and a name is never changed except for that extension.
#pragma once

#include <string>
#include <string_view>

#include "imgfile/codaxe.h"

namespace codaxe {

// CT_NONE when the last component has no extension this library knows.
CompandType type_from_name(std::string_view name);

// `name` with the extension of `type`: kept as the user spelled it when it already is one of that type's
// extensions, otherwise the last component's extension is replaced (or one added) in lower case.
// Empty for types without an extension or an empty name.
std::string name_with_type(std::string_view name, CompandType type);

}  // namespace codaxe
