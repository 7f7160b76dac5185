// The kinds of control a resource file describes, and their names there.
// Shared by the runtime's loader and the build-time header generator, so
// both accept exactly the same names.  Needs Qt Core only.
#pragma once

#include <QString>

#include <initializer_list>
#include <iterator>

namespace uirt
{

enum class ControlType {
    Numeric,
    Ring,
    Binary,
    Checkbox,
    Command,
    Toggle,
    TextMsg,
    String,
    Led,
    Canvas,
    Graph,
    Timer,
    TextBox,
    Picture,
    Table,
    // A canvas turned into a tab control at run time; never written in a
    // resource file.
    Tab,
};

struct ControlTypeName {
    ControlType type;
    const char *name;
};

// The names a resource file may give a control, as written there.
inline constexpr ControlTypeName kResourceControlTypes[] = {
    {ControlType::Numeric, "numeric"},   {ControlType::Ring, "ring"},       {ControlType::Binary, "binary"},
    {ControlType::Checkbox, "checkbox"}, {ControlType::Command, "command"}, {ControlType::Toggle, "toggle"},
    {ControlType::TextMsg, "textmsg"},   {ControlType::String, "string"},   {ControlType::Led, "led"},
    {ControlType::Canvas, "canvas"},     {ControlType::Graph, "graph"},     {ControlType::Timer, "timer"},
    {ControlType::TextBox, "textbox"},   {ControlType::Picture, "picture"}, {ControlType::Table, "table"},
};

// The type a resource names (exact, case-sensitive); false for any other
// name, "tab" included.
inline bool parseControlType(const QString &name, ControlType *type)
{
    for (const ControlTypeName &entry : kResourceControlTypes)
        if (name == QLatin1String(entry.name)) {
            *type = entry.type;
            return true;
        }
    return false;
}

inline const char *controlTypeName(ControlType type)
{
    if (type == ControlType::Tab)
        return "tab";
    for (const ControlTypeName &entry : kResourceControlTypes)
        if (entry.type == type)
            return entry.name;
    return "";
}

inline bool isOneOf(ControlType type, std::initializer_list<ControlType> types)
{
    for (ControlType t : types)
        if (t == type)
            return true;
    return false;
}

static_assert(std::size(kResourceControlTypes) == static_cast<std::size_t>(ControlType::Tab),
              "every type but Tab has a resource name");

} // namespace uirt
