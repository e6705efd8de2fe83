// The protocol database, protocol notifications and event dispatch, reached
// through the boot-services table as the driver reaches them.
#include <gtest/gtest.h>

#include "machine_test_support.h"
#include "sim/machine/machine.h"

namespace sim {
namespace {

EFI_GUID kProtocolA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
EFI_GUID kProtocolB = {0x44444444, 0x5555, 0x6666, {1, 2, 3, 4, 5, 6, 7, 8}};

class ProtocolDatabaseTest : public ::testing::Test {
 protected:
  VariableStore store_;
  const BoardProfile profile_ = TestProfile();
  Machine machine_{profile_, store_};
  EFI_BOOT_SERVICES *bs_ = machine_.SystemTable()->BootServices;
  int interfaceA1_ = 0, interfaceA2_ = 0, interfaceB_ = 0;

  EFI_HANDLE InstallNew(EFI_GUID &protocol, void *interface) {
    EFI_HANDLE handle = nullptr;
    EXPECT_EQ(bs_->InstallProtocolInterface(&handle, &protocol, EFI_NATIVE_INTERFACE, interface), EFI_SUCCESS);
    return handle;
  }
};

// What a notify function saw: the TPL it ran at, and how often it ran.
struct NotifyProbe {
  EFI_BOOT_SERVICES *bs;
  std::vector<EFI_TPL> tpls;
  bool closeOnCall = false;
  std::vector<std::string> *order = nullptr;
  const char *name = "";
};

VOID EFIAPI ProbeNotify(EFI_EVENT event, VOID *context) {
  auto *probe = static_cast<NotifyProbe *>(context);
  const EFI_TPL now = probe->bs->RaiseTPL(TPL_HIGH_LEVEL);
  probe->bs->RestoreTPL(now);
  probe->tpls.push_back(now);
  if (probe->order != nullptr) probe->order->push_back(probe->name);
  if (probe->closeOnCall) probe->bs->CloseEvent(event);
}

EFI_EVENT NotifyEvent(EFI_BOOT_SERVICES *bs, NotifyProbe &probe, EFI_TPL tpl = TPL_CALLBACK) {
  EFI_EVENT event = nullptr;
  EXPECT_EQ(bs->CreateEvent(EVT_NOTIFY_SIGNAL, tpl, ProbeNotify, &probe, &event), EFI_SUCCESS);
  return event;
}

TEST_F(ProtocolDatabaseTest, InstallRejectsWhatUefiRejects) {
  EFI_HANDLE first = InstallNew(kProtocolA, &interfaceA1_);
  EFI_HANDLE unknown = &interfaceB_;
  struct Case {
    const char *what;
    EFI_HANDLE *handle;
    EFI_GUID *protocol;
    EFI_INTERFACE_TYPE type;
    EFI_STATUS status;
  };
  EFI_HANDLE existing = first, fresh = nullptr, stranger = unknown;
  const Case cases[] = {
      {"second protocol on the handle", &existing, &kProtocolB, EFI_NATIVE_INTERFACE, EFI_SUCCESS},
      {"same protocol again on that handle", &existing, &kProtocolA, EFI_NATIVE_INTERFACE, EFI_INVALID_PARAMETER},
      {"same protocol on a new handle", &fresh, &kProtocolA, EFI_NATIVE_INTERFACE, EFI_SUCCESS},
      {"handle the database never made", &stranger, &kProtocolB, EFI_NATIVE_INTERFACE, EFI_INVALID_PARAMETER},
      {"no handle pointer", nullptr, &kProtocolB, EFI_NATIVE_INTERFACE, EFI_INVALID_PARAMETER},
      {"no protocol", &fresh, nullptr, EFI_NATIVE_INTERFACE, EFI_INVALID_PARAMETER},
      {"not a native interface", &fresh, &kProtocolB, static_cast<EFI_INTERFACE_TYPE>(1), EFI_INVALID_PARAMETER},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(bs_->InstallProtocolInterface(c.handle, c.protocol, c.type, &interfaceB_), c.status);
  }
  EXPECT_NE(fresh, nullptr);
  EXPECT_NE(fresh, first);

  VOID *found = nullptr;
  EXPECT_EQ(bs_->HandleProtocol(first, &kProtocolB, &found), EFI_SUCCESS);
  EXPECT_EQ(found, &interfaceB_);
  EXPECT_EQ(bs_->HandleProtocol(fresh, &kProtocolB, &found), EFI_UNSUPPORTED);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(bs_->HandleProtocol(unknown, &kProtocolA, &found), EFI_INVALID_PARAMETER);
  // Without a registration key LocateProtocol returns the earliest install.
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, nullptr, &found), EFI_SUCCESS);
  EXPECT_EQ(found, &interfaceA1_);
}

TEST_F(ProtocolDatabaseTest, RegistrationHandsOutEachLaterInstallOnce) {
  InstallNew(kProtocolA, &interfaceA1_);  // before the registration: never handed out by it
  NotifyProbe probe{bs_, {}};
  EFI_EVENT event = NotifyEvent(bs_, probe);
  VOID *key = nullptr;
  ASSERT_EQ(bs_->RegisterProtocolNotify(&kProtocolA, event, &key), EFI_SUCCESS);

  VOID *found = &probe;
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, key, &found), EFI_NOT_FOUND);
  EXPECT_EQ(found, nullptr);
  InstallNew(kProtocolB, &interfaceB_);
  InstallNew(kProtocolA, &interfaceA2_);
  InstallNew(kProtocolA, &interfaceB_);
  EXPECT_EQ(probe.tpls.size(), 2u);
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, key, &found), EFI_SUCCESS);
  EXPECT_EQ(found, &interfaceA2_);
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, key, &found), EFI_SUCCESS);
  EXPECT_EQ(found, &interfaceB_);
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, key, &found), EFI_NOT_FOUND);

  // Closing the event ends the registration.
  EXPECT_EQ(bs_->CloseEvent(event), EFI_SUCCESS);
  InstallNew(kProtocolA, &interfaceA1_);
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, key, &found), EFI_NOT_FOUND);
  EXPECT_EQ(probe.tpls.size(), 2u);
  EXPECT_EQ(bs_->RegisterProtocolNotify(&kProtocolA, event, &key), EFI_INVALID_PARAMETER);
  // Closing it again, or closing null, is the driver's fault, which the soundness checks see.
  EXPECT_EQ(bs_->CloseEvent(event), EFI_INVALID_PARAMETER);
  EXPECT_EQ(bs_->CloseEvent(nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(machine_.Log().Count("event-close-invalid"), 2u);
}

TEST_F(ProtocolDatabaseTest, NotifyRunsAtItsTplWhenTheCallerIsBelowIt) {
  struct Case {
    const char *what;
    EFI_TPL installAt;
    size_t callsBeforeRestore;
  };
  const Case cases[] = {
      {"from TPL_APPLICATION: before the install returns", TPL_APPLICATION, 1},
      {"from TPL_CALLBACK: once the caller restores", TPL_CALLBACK, 0},
      {"from TPL_NOTIFY: once the caller restores", TPL_NOTIFY, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    NotifyProbe probe{bs_, {}};
    EFI_EVENT event = NotifyEvent(bs_, probe);
    VOID *key = nullptr;
    bs_->RegisterProtocolNotify(&kProtocolB, event, &key);
    const EFI_TPL old = bs_->RaiseTPL(c.installAt);
    InstallNew(kProtocolB, &interfaceB_);
    EXPECT_EQ(probe.tpls.size(), c.callsBeforeRestore);
    bs_->RestoreTPL(old);
    ASSERT_EQ(probe.tpls.size(), 1u);
    EXPECT_EQ(probe.tpls[0], TPL_CALLBACK);
    bs_->CloseEvent(event);
  }
}

TEST_F(ProtocolDatabaseTest, PendingNotifiesRunHighestTplFirstThenInSignalOrder) {
  std::vector<std::string> order;
  NotifyProbe first{bs_, {}, false, &order, "callback 1"};
  NotifyProbe second{bs_, {}, false, &order, "callback 2"};
  NotifyProbe urgent{bs_, {}, false, &order, "notify"};
  EFI_EVENT a = NotifyEvent(bs_, first), b = NotifyEvent(bs_, second), c = NotifyEvent(bs_, urgent, TPL_NOTIFY);
  const EFI_TPL old = bs_->RaiseTPL(TPL_HIGH_LEVEL);
  bs_->SignalEvent(a);
  bs_->SignalEvent(b);
  bs_->SignalEvent(a);  // already pending: still one call
  bs_->SignalEvent(c);
  EXPECT_TRUE(order.empty());
  bs_->RestoreTPL(old);
  EXPECT_EQ(order, (std::vector<std::string>{"notify", "callback 1", "callback 2"}));
  EXPECT_EQ(urgent.tpls, (std::vector<EFI_TPL>{TPL_NOTIFY}));
}

TEST_F(ProtocolDatabaseTest, NotifyMayCloseItsOwnEvent) {
  NotifyProbe probe{bs_, {}, true};
  EFI_EVENT event = NotifyEvent(bs_, probe);
  VOID *key = nullptr;
  bs_->RegisterProtocolNotify(&kProtocolA, event, &key);
  InstallNew(kProtocolA, &interfaceA1_);
  InstallNew(kProtocolA, &interfaceA2_);
  EXPECT_EQ(probe.tpls.size(), 1u);
  EXPECT_EQ(bs_->SignalEvent(event), EFI_INVALID_PARAMETER);
  EXPECT_EQ(machine_.Events().OpenEvents(), 0u);
}

TEST_F(ProtocolDatabaseTest, TplMisuseIsLogged) {
  const EFI_TPL old = bs_->RaiseTPL(TPL_NOTIFY);
  EXPECT_EQ(bs_->RaiseTPL(TPL_CALLBACK), TPL_NOTIFY);  // lowering through RaiseTPL
  bs_->RestoreTPL(old);
  bs_->RestoreTPL(TPL_NOTIFY);  // raising through RestoreTPL
  EXPECT_EQ(machine_.Log().Count("tpl-misuse"), 2u);
  EXPECT_EQ(machine_.Events().Current(), TPL_APPLICATION);
}

TEST_F(ProtocolDatabaseTest, LocateHandleBufferReturnsAPoolBlockTheCallerFrees) {
  EFI_HANDLE h1 = InstallNew(kProtocolA, &interfaceA1_);
  InstallNew(kProtocolB, &interfaceB_);
  EFI_HANDLE h2 = InstallNew(kProtocolA, &interfaceA2_);
  const size_t before = machine_.Pool().Outstanding();

  UINTN count = 99;
  EFI_HANDLE *handles = nullptr;
  ASSERT_EQ(bs_->LocateHandleBuffer(ByProtocol, &kProtocolA, nullptr, &count, &handles), EFI_SUCCESS);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(handles[0], h1);
  EXPECT_EQ(handles[1], h2);
  EXPECT_EQ(machine_.Pool().Outstanding(), before + 1);
  EXPECT_EQ(bs_->FreePool(handles), EFI_SUCCESS);
  EXPECT_EQ(machine_.Pool().Outstanding(), before);

  EFI_GUID absent = {0x99, 0, 0, {}};
  EXPECT_EQ(bs_->LocateHandleBuffer(ByProtocol, &absent, nullptr, &count, &handles), EFI_NOT_FOUND);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(handles, nullptr);
  EXPECT_EQ(bs_->LocateHandleBuffer(ByProtocol, nullptr, nullptr, &count, &handles), EFI_INVALID_PARAMETER);
  EXPECT_EQ(bs_->LocateHandleBuffer(ByProtocol, &kProtocolA, nullptr, nullptr, &handles), EFI_INVALID_PARAMETER);
  EXPECT_EQ(machine_.Pool().Outstanding(), before);
}

TEST_F(ProtocolDatabaseTest, InstallMultipleIsAllOrNothing) {
  EFI_HANDLE handle = nullptr;
  EXPECT_EQ(bs_->InstallMultipleProtocolInterfaces(&handle, &kProtocolA, &interfaceA1_, &kProtocolA, &interfaceA2_,
                                                   nullptr),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(handle, nullptr);
  VOID *found = nullptr;
  EXPECT_EQ(bs_->LocateProtocol(&kProtocolA, nullptr, &found), EFI_NOT_FOUND);

  EXPECT_EQ(bs_->InstallMultipleProtocolInterfaces(&handle, &kProtocolA, &interfaceA1_, &kProtocolB, &interfaceB_,
                                                   nullptr),
            EFI_SUCCESS);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(bs_->HandleProtocol(handle, &kProtocolB, &found), EFI_SUCCESS);
  EXPECT_EQ(found, &interfaceB_);
  EXPECT_EQ(machine_.Log().Count("protocol-installed"), 2u);
}

}  // namespace
}  // namespace sim
