#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace viewer::control {

// The part of the platform's registry that registration touches (the classes root): keys named
// by paths with "\" between the names, compared without regard to ASCII case, each holding
// named string values, the empty name being the key's default value.
class Registry
{
public:
    // Creates the key and every missing key above it.
    void createKey(const std::string& path);
    void setValue(const std::string& path, const std::string& name, const std::string& value);

    bool hasKey(const std::string& path) const;
    std::optional<std::string> value(const std::string& path, const std::string& name) const;
    // The key's values by name; empty for a missing key.
    std::map<std::string, std::string> values(const std::string& path) const;
    // Every key, in order.
    std::vector<std::string> keys() const;

    // Deletes a key as the platform does: not while it has subkeys (false then). A key that
    // does not exist counts as deleted.
    bool deleteKey(const std::string& path);
    // Deletes the key and everything under it.
    void deleteTree(const std::string& path);

    bool operator==(const Registry& other) const;

private:
    struct NoCase
    {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Key
    {
        std::string path;
        std::map<std::string, std::string, NoCase> values;
    };
    bool hasSubkeys(const std::string& path) const;

    std::map<std::string, Key, NoCase> m_keys;
};

} // namespace viewer::control
