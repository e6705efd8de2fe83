// The SATA drive lines of the storage page: which drives sit on the hub's SATA
// functions (their device paths), and the model and capacity text of each from
// its IDENTIFY data.
#pragma once

#include "uefi/device_path.h"
#include "uefi/framework_hii.h"

// A device path has no size of its own, only an end node; the walk reads at most
// this many bytes of it, so a path without an end node cannot lead it astray.
constexpr UINTN kDevicePathWalkLimit = 4096;

// The first PCI node of Path before its end node, reading at most Limit bytes.
// Null when there is none, or when the path is malformed before it: a node
// shorter than its 4-byte header, one running past Limit, or a PCI node too
// short to hold its function and device bytes.
const PCI_DEVICE_PATH *FindPciNode(const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN Limit);

constexpr UINTN kIdentifySize = 512;
constexpr UINTN kDriveTextSize = 256;

// Writes the drive line for one IDENTIFY block into Text (kDriveTextSize bytes):
// the model cut at 14 characters, then " ATAPI" for a packet device, else the
// capacity in decimal gigabytes with one truncated decimal, e.g. " (500.1GB)".
void DescribeDrive(const UINT8 *Identify, CHAR8 *Text);

// Sets the SATA port line of every drive on the hub's SATA functions (device
// path PCI function 2 or 5, not device 3). SataMode is byte 4 of Setup: 1
// places drives by channel and device, any other value by channel (port).
void SetDriveLines(EFI_HII_HANDLE HiiHandle, UINT8 SataMode, CHAR8 *Text);

// Every SATA port line reads "Disabled", whatever drives were found.
void SetSataLinesDisabled(EFI_HII_HANDLE HiiHandle);
