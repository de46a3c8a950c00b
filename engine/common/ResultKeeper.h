// Keeps the most serious of the results met during one engine call.
#ifndef KEPLO_ENGINE_COMMON_RESULT_KEEPER_H
#define KEPLO_ENGINE_COMMON_RESULT_KEEPER_H

#include <cstdint>

namespace engine {

class ResultKeeper {
public:
    // Records a result; the more serious of it and the one held stays.
    void Note(int32_t result);
    int32_t Result() const { return m_result; }

    // How serious a result is: 0 for ENGINE_OK, higher is worse.
    static int Severity(int32_t result);

private:
    int32_t m_result = 0;
};

} // namespace engine

#endif
