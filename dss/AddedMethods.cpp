// The table of added methods.
#include "dss/AddedMethods.h"

#include <utility>

namespace {

struct Added {
    std::string name;
    AddedMaker make;
};

std::vector<Added>& table()
{
    static std::vector<Added> added;
    return added;
}

std::string& byDefault()
{
    static std::string name = "lu";
    return name;
}

}  // namespace

void addMethod(const std::string& name, AddedMaker make, bool isDefault)
{
    table().push_back({name, std::move(make)});
    if (isDefault) byDefault() = name;
}

AddedMaker addedMethod(const std::string& name)
{
    for (const Added& a : table())
        if (a.name == name) return a.make;
    return nullptr;
}

std::vector<std::string> addedMethodNames()
{
    std::vector<std::string> names;
    for (const Added& a : table()) names.push_back(a.name);
    return names;
}

std::string defaultMethod() { return byDefault(); }
