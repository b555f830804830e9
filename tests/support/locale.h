// A process locale with a decimal comma, set for the life of the object, so that tests can
// show that numbers in configuration texts do not depend on it.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

namespace qlcos::test {

class DecimalCommaLocale {
public:
    static constexpr const char* kName = "de_DE.UTF-8"; // scripts/setup.sh generates it

    DecimalCommaLocale() : m_Saved(std::setlocale(LC_ALL, nullptr)), m_SavedGlobal()
    {
        m_Active = std::setlocale(LC_ALL, kName) != nullptr;
        EXPECT_TRUE(m_Active) << "locale " << kName << " missing: run scripts/setup.sh";
        if (m_Active) {
            std::locale::global(std::locale(kName));
            EXPECT_EQ(*std::localeconv()->decimal_point, ',');
        }
    }
    ~DecimalCommaLocale()
    {
        std::locale::global(m_SavedGlobal);
        std::setlocale(LC_ALL, m_Saved.c_str());
    }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

private:
    std::string m_Saved;
    std::locale m_SavedGlobal;
    bool m_Active = false;
};

} // namespace qlcos::test
