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
#if defined(_WIN32)
    // The C runtime's name for it. MinGW's C++ library knows the "C" locale only, so there
    // the C locale alone changes.
    static constexpr const char* kName = "German_Germany.1252";
    static constexpr bool kCppLocales = false;
#else
    static constexpr const char* kName = "de_DE.UTF-8"; // scripts/setup.sh generates it
    static constexpr bool kCppLocales = true;
#endif

    DecimalCommaLocale() : m_Saved(std::setlocale(LC_ALL, nullptr)), m_SavedGlobal()
    {
        m_Active = std::setlocale(LC_ALL, kName) != nullptr;
        EXPECT_TRUE(m_Active) << "locale " << kName << " missing: run scripts/setup.sh";
        if (m_Active) {
            if (kCppLocales) std::locale::global(std::locale(kName));
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
