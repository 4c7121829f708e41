#pragma once
// Object paths: the path object each scripting object hands out, and the parser
// of path texts that ISWbemServices::Get accepts:
//   [\\server\namespace:]Class            a class
//   [\\server\namespace:]Class=@          a singleton
//   [\\server\namespace:]Class.Key="v"[,Key2=7]   an instance ("Class="v"" for one key)

#include "platform/localwmi/ObjectData.h"
#include "wmi/WbemScripting.h"

namespace tarnwick::localwmi {

struct TParsedPath {
    WideString Server;    // empty when the text has none
    WideString Namespace; // empty when the text has none
    WideString ClassName;
    bool Singleton = false;
    struct TKey {
        WideString Name; // empty for "Class=value"
        WideString Value;
    };
    std::vector<TKey> Keys;
    bool IsClass() const { return !Singleton && Keys.empty(); }
};

bool ParseObjectPath(WideStringView text, TParsedPath& path);

com::TComPtr<wmi::ISWbemObjectPath> NewObjectPath(const TObjectData& data);

} // namespace tarnwick::localwmi
