#include "engine/common/ResultKeeper.h"

#include "engine/include/PakEngine.h"

namespace engine {

int ResultKeeper::Severity(int32_t result)
{
    switch (result) {
    case ENGINE_OK:
        return 0;
    case ENGINE_WARNING:
        return 1;
    case ENGINE_NOTHING_MATCHED:
        return 2;
    case ENGINE_UNSUPPORTED:
        return 3;
    case ENGINE_BAD_PASSWORD:
        return 4;
    case ENGINE_CRC_ERROR:
        return 5;
    case ENGINE_READ_ERROR:
        return 6;
    case ENGINE_WRITE_ERROR:
        return 7;
    case ENGINE_BAD_ARCHIVE:
        return 8;
    case ENGINE_NO_ARCHIVE:
        return 9;
    case ENGINE_BAD_ARGUMENTS:
        return 10;
    case ENGINE_NO_MEMORY:
        return 11;
    case ENGINE_CANCELLED:
        return 12;
    default:
        return 6; // an unknown failure still outranks every warning
    }
}

void ResultKeeper::Note(int32_t result)
{
    if (Severity(result) > Severity(m_result))
        m_result = result;
}

} // namespace engine
