#include "published_lists.h"

// Seven lists are published once per boot; the spare room covers repeated publishing.
static PublishedList gLists[32];
static EFI_HII_HANDLE gLastHandle;

PublishedList *AddPublishedList(const PackageListSeed *Seed, FormCallbackInstance *Callback) {
  if (gLastHandle == 0xFFFF) {
    return nullptr;
  }
  for (PublishedList &list : gLists) {
    if (list.Handle == 0) {
      list = {};
      list.Handle = ++gLastHandle;
      list.Seed = Seed;
      list.Callback = Callback;
      return &list;
    }
  }
  return nullptr;
}

PublishedList *FindPublishedHandle(EFI_HII_HANDLE Handle) {
  if (Handle == 0) {
    return nullptr;
  }
  for (PublishedList &list : gLists) {
    if (list.Handle == Handle) {
      return &list;
    }
  }
  return nullptr;
}

PublishedList *FindPublishedClass(UINT16 FormClass) {
  PublishedList *earliest = nullptr;
  for (PublishedList &list : gLists) {
    if (list.Handle != 0 && list.Seed->FormClass == FormClass &&
        (earliest == nullptr || list.Handle < earliest->Handle)) {
      earliest = &list;
    }
  }
  return earliest;
}

PublishedList *FindPublishedAccess(const EFI_HII_CONFIG_ACCESS_PROTOCOL *ConfigAccess) {
  for (PublishedList &list : gLists) {
    if (list.Handle != 0 && &list.ConfigAccess == ConfigAccess) {
      return &list;
    }
  }
  return nullptr;
}

void ForgetPublishedList(PublishedList *List) { *List = {}; }
