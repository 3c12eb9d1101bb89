#pragma once

#include <map>
#include <string>

namespace veltrane {

// Per-user settings by section and key ("Com"/"Port", "Preferences"/"Data Size" ...).
class Profile {
public:
    virtual ~Profile() = default;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& fallback) const = 0;
    virtual void SetString(const std::string& section, const std::string& key, const std::string& value) = 0;

    // An integer setting; text that is not a whole number gives the fallback.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    void SetInt(const std::string& section, const std::string& key, int value);
};

// Settings held in memory only: tests and command-line tools.
class MemoryProfile : public Profile {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback) const override;
    void SetString(const std::string& section, const std::string& key, const std::string& value) override;

private:
    std::map<std::string, std::string> values_;
};

} // namespace veltrane
