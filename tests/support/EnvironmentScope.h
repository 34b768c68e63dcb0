#pragma once
// Sets (or removes) one environment variable for the length of a test and puts the old value
// back afterwards.
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class EnvironmentScope {
public:
    /// A null value removes the variable.
    EnvironmentScope(char const* pszName, char const* pszValue) : m_name(pszName) {
        if (char const* pszOld = std::getenv(pszName)) m_old = pszOld;
        Set(pszValue);
    }
    ~EnvironmentScope() { Set(m_old ? m_old->c_str() : nullptr); }
    EnvironmentScope(EnvironmentScope const&) = delete;
    EnvironmentScope& operator=(EnvironmentScope const&) = delete;

private:
    void Set(char const* pszValue) const {
        if (pszValue)
            setenv(m_name.c_str(), pszValue, 1);
        else
            unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace testsupport
