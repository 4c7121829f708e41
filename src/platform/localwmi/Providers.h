#pragma once
// The providers of the class table. Each appends the instances of one class that
// this machine has at the moment of the call; what cannot be read stays null.

#include "platform/localwmi/Schema.h"

namespace tarnwick::localwmi {

void ProvideOperatingSystem(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideComputerSystem(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideProcessor(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideProcess(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideLogicalDisk(const TClassDef& cls, std::vector<TInstance>& out);
void ProvidePerfLogicalDisk(const TClassDef& cls, std::vector<TInstance>& out);
void ProvidePerfMemory(const TClassDef& cls, std::vector<TInstance>& out);
void ProvidePerfProcessor(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideRawNetworkInterface(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideNetworkAdapterConfiguration(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideUserAccount(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideGroup(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideService(const TClassDef& cls, std::vector<TInstance>& out);
void ProvideRootNamespaces(const TClassDef& cls, std::vector<TInstance>& out);

// The sampling interval of the formatted performance classes, in milliseconds.
inline constexpr int PerfSampleMilliseconds = 150;

} // namespace tarnwick::localwmi
