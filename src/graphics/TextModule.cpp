#include "graphics/TextModule.h"

namespace vorlan::graphics {

const TextModuleTable* TextModule() {
    static const TextModuleTable* const loaded = reinterpret_cast<const TextModuleTable*>(
        LoadModuleTable(kTextModuleFile, kTextModuleEntry, kTextModuleVersion));
    return loaded;
}

}  // namespace vorlan::graphics
