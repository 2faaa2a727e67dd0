#include "ExitCodes.h"

const EXIT_CODE_MEANING kExitCodes[9] = {
    {EXIT_UPDATED, "updated"},
    {EXIT_NOT_FOUND, "not found"},
    {EXIT_VERSION_REFUSED, "version refused"},
    {EXIT_NO_ROOM, "no room"},
    {EXIT_COPY_FAILED, "copy failed"},
    {EXIT_NO_DRIVE_LIST, "drive list unavailable"},
    {EXIT_NOT_EJECTED, "updated but not ejected"},
    {EXIT_PACKAGE_DAMAGED, "package damaged"},
    {EXIT_USAGE, "this usage"},
};

EXIT_CODE GetOutcomeExitCode(SCAN_OUTCOME outcome)
{
    switch (outcome) {
    case SCAN_UPDATED:
        return EXIT_UPDATED;
    case SCAN_NOT_FOUND:
        return EXIT_NOT_FOUND;
    case SCAN_VERSION_REFUSED:
        return EXIT_VERSION_REFUSED;
    case SCAN_NO_ROOM:
        return EXIT_NO_ROOM;
    case SCAN_COPY_FAILED:
        return EXIT_COPY_FAILED;
    case SCAN_NO_DRIVE_LIST:
        return EXIT_NO_DRIVE_LIST;
    case SCAN_PACKAGE_DAMAGED:
        return EXIT_PACKAGE_DAMAGED;
    }
    return EXIT_NO_DRIVE_LIST;
}
