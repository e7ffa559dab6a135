// The conduit library's string table where no resource compiler builds one.
#include "resource_ids.h"
#include "resource_table.h"

namespace oq::resources {

const ResourceString kModuleStrings[] = {
    {IDS_CONDUIT_NAME, STR_CONDUIT_NAME},
    {IDS_CURRENT_SETTINGS, STR_CURRENT_SETTINGS},
    {IDS_ACTION_SYNCHRONIZE, STR_ACTION_SYNCHRONIZE},
    {IDS_ACTION_DESKTOP, STR_ACTION_DESKTOP},
    {IDS_ACTION_HANDHELD, STR_ACTION_HANDHELD},
    {IDS_ACTION_NOTHING, STR_ACTION_NOTHING},
    {IDS_ACTION_GROUP, STR_ACTION_GROUP},
};
const size_t kModuleStringCount = sizeof kModuleStrings / sizeof kModuleStrings[0];

}  // namespace oq::resources
