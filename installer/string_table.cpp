// The installer's string table where no resource compiler builds one.
#include "resource_ids.h"
#include "resource_table.h"

namespace oq::resources {

const ResourceString kModuleStrings[] = {
    {IDS_ABOUT, STR_ABOUT_MENU},
};
const size_t kModuleStringCount = sizeof kModuleStrings / sizeof kModuleStrings[0];

}  // namespace oq::resources
