#pragma once

// The test host's end of every call across the binary interface: the host
// callback that instances call, and the calls a host makes on a plug-in's
// exports and on the entries of the records it hands out.
//
// On the 32-bit build InterfaceCalls.cpp is compiled with -mrtd, which makes
// every function type without an explicit calling convention callee-pops.
// The plug-ins are built without it, so an interface type that lacks its
// cdecl annotation makes the two sides disagree about who removes the
// arguments, and the stack breaks at the first call through it: the tests
// fail instead of the host. (-mrtd cannot cover more of the test code: the C
// and C++ runtimes it calls are cdecl and carry no annotation.) Everything
// declared here is therefore explicitly cdecl.
#include <cstdint>

#include "DspEvent.h"
#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "HostCallback.h"
#include "ModuleDescription.h"
#include "PluginExports.h"

// The test host's HostCallback, which hands every request on, unchanged, to
// deliverHostRequest. Its address is taken as a HostCallback inside the -mrtd
// unit: a HostCallback type without its cdecl annotation cannot hold it
// there, and the 32-bit build stops.
HostCallback QK_CDECL testHostCallback();

// Where the test host's callback delivers: defined by the program's host,
// RecordingHost.cpp in the tests, the fuzzer's own in fuzz/PluginFuzzer.cpp.
ResultWord QK_CDECL deliverHostRequest(void* record, std::int32_t opcode, std::int32_t index,
                                       std::int32_t value, void* pointer, float floatValue);

// A host's calls on the exports, through the addresses it looked up.
std::int32_t QK_CDECL callGetModuleProperties(GetModulePropertiesFunction function,
                                              std::int32_t index, ModuleDescription* description);
void* QK_CDECL callMakeModule(MakeModuleFunction function, std::int32_t index,
                              std::int32_t instanceType, HostCallback callback,
                              HostValue hostValue);

// A host's calls on a record's entries. The event and process entries are
// handed the record's object word, as a host does.
ResultWord QK_CDECL callDspDispatcher(DspInstanceRecord* record, std::int32_t opcode,
                                      std::int32_t index, std::int32_t value, void* pointer,
                                      float floatValue);
void QK_CDECL callDspEvent(DspInstanceRecord* record, DspEvent* event);
void QK_CDECL callDspProcess(DspInstanceRecord* record);
ResultWord QK_CDECL callGuiDispatcher(GuiInstanceRecord* record, std::int32_t opcode,
                                      std::int32_t index, std::int32_t value, void* pointer,
                                      float floatValue);
