// The entry point keeps the module instance from process attach to process detach.
#include <gtest/gtest.h>

#include "module_instance.h"

namespace {

TEST(ModuleEntry, InstanceLivesFromAttachToDetach) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x10000000);
  EXPECT_TRUE(DllMain(instance, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(ModuleInstance, instance);
  for (DWORD reason : {DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH), DWORD(7)}) {
    EXPECT_TRUE(DllMain(nullptr, reason, nullptr)) << reason;
    EXPECT_EQ(ModuleInstance, instance) << reason;
  }
  EXPECT_TRUE(DllMain(instance, DLL_PROCESS_DETACH, nullptr));
  EXPECT_EQ(ModuleInstance, nullptr);
}

}  // namespace
