#pragma once

#include <map>
#include <string>
#include <vector>

namespace veltar {

// Property name -> one text per returned object, in the order of the objects.
// std::u16string orders its keys by unsigned UTF-16 code units, a proper prefix first.
using PropertyTable = std::map<std::u16string, std::vector<std::u16string>>;

}  // namespace veltar
