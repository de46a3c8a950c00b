#include "platform/os/LocalTimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

class LocalTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        const char *pOld = std::getenv("TZ");
        m_bHadZone = pOld != nullptr;
        if (m_bHadZone)
            m_sOldZone = pOld;
    }
    void TearDown() override {
        if (m_bHadZone)
            setenv("TZ", m_sOldZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_bHadZone = false;
    std::string m_sOldZone;
};

TEST_F(LocalTimeZone, AnUnsetZoneIsPinnedToTheSystemZoneWithoutChangingLocalTimes) {
    unsetenv("TZ");
    tzset();
    const std::time_t tWhen = 1'700'000'000;
    std::tm tBefore{};
    localtime_r(&tWhen, &tBefore);

    PinLocalTimeZone();

    ASSERT_NE(std::getenv("TZ"), nullptr);
    EXPECT_STREQ(std::getenv("TZ"), ":/etc/localtime");
    std::tm tAfter{};
    localtime_r(&tWhen, &tAfter);
    EXPECT_EQ(tAfter.tm_hour, tBefore.tm_hour);
    EXPECT_EQ(tAfter.tm_gmtoff, tBefore.tm_gmtoff);
}

TEST_F(LocalTimeZone, AZoneTheUserSetIsLeftAlone) {
    setenv("TZ", "America/New_York", 1);
    PinLocalTimeZone();
    EXPECT_STREQ(std::getenv("TZ"), "America/New_York");
}

} // namespace
