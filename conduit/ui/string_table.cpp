// The conduit library's string table where no resource compiler builds one.
#include "resource_ids.h"
#include "resource_table.h"

namespace oq::posix {

const ResourceString kModuleStrings[] = {
    {IDS_CONDUIT_NAME, STR_CONDUIT_NAME},
};
const size_t kModuleStringCount = sizeof kModuleStrings / sizeof kModuleStrings[0];

}  // namespace oq::posix
