// Forms no one here wrote: every form package in Debian's OVMF image (the DXE
// volume's drivers, inside its LZMA section), found by the scan, decodes with no
// error; per package the forms, questions and opcodes are pinned, and one form
// set's whole dump. The image is read from /usr/share/OVMF at run time.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "forms/host/forms_report.h"
#include "forms/host/ifr_opcodes.h"
#include "forms/host/package_scan.h"
#include "forms/host/uefi_text.h"

namespace {

constexpr const char *kImage = "/usr/share/OVMF/OVMF_CODE_4M.fd";

struct Pinned {
  const char *module;
  size_t offset;  // of the form package in its module
  const char *guid;
  const char *title;
  size_t forms, questions, opcodes;
};

// Debian's ovmf 2022.11: the drivers of the DXE volume that carry forms, and the
// libraries linked into them (the file explorer in four, the boot manager pages in UiApp).
const Pinned kPinned[] = {
    {"SecureBootConfigDxe", 0x57204, "FE561596-E6BF-41A6-8376-C72B719874D0", "File Explorer", 3, 6, 28},
    {"SecureBootConfigDxe", 0x573A4, "5DAF50A5-EA81-4DE2-8F9B-CABDA9CF5C14", "Secure Boot Configuration", 17, 50, 289},
    {"DriverHealthManagerDxe", 0x3444, "4296D9F4-F6FC-4DDE-8685-8CE2D79D90F0", "Driver Health Manager", 1, 1, 13},
    {"DriverHealthManagerDxe", 0x34E4, "CFB3B000-0B63-444B-B1D1-12D5D95DC4FC", "Driver Health Manager", 1, 1, 13},
    {"UiApp", 0x16564, "FE561596-E6BF-41A6-8376-C72B719874D0", "File Explorer", 3, 6, 28},
    {"UiApp", 0x16B64, "3EBFA8E6-511D-4B5B-A95F-FB38260F1C27", "Device Manager", 3, 0, 36},
    {"UiApp", 0x170E4, "847BC3FE-B974-446D-9449-5AD5412E993B", "Boot Manager", 1, 1, 23},
    {"UiApp", 0x18E24, "642237C7-35D4-472D-8365-12E0CCF27A22", "Boot Maintenance Manager", 21, 26, 128},
    {"UiApp", 0x1A624, "9E0C30BC-3F06-4BA6-8288-09179B855DBE", "Front Page", 1, 0, 17},
    {"RamDiskDxe", 0x60C4, "FE561596-E6BF-41A6-8376-C72B719874D0", "File Explorer", 3, 6, 28},
    {"RamDiskDxe", 0x6204, "2A46715F-3581-4A55-8E73-2B769AAA30C5", "RAM Disk Configuration", 2, 7, 36},
    {"VlanConfigDxe", 0x3E64, "D79DF6B0-EF44-43BD-9797-43E93BCF5FA8", "VLAN Configuration", 2, 5, 26},
    {"Ip4Dxe", 0xDCA4, "9B942747-154E-4D29-A436-BF7100C8B53B", "IPv4 Network Configuration", 1, 7, 34},
    {"Ip6Dxe", 0x13A84, "02EEA107-98DB-400E-9830-460A1542D799", "IPv6 Network Configuration", 3, 11, 55},
    {"TlsAuthConfigDxe", 0x6784, "FE561596-E6BF-41A6-8376-C72B719874D0", "File Explorer", 3, 6, 28},
    {"TlsAuthConfigDxe", 0x68C4, "B0EAE4F8-9A04-4C6D-A748-793DAA0F65DF", "Tls Auth Configuration", 5, 8, 53},
    {"HttpBootDxe", 0xC2C4, "4D20583A-7765-4E7A-8A67-DCDE74EE3EC5", "HTTP Boot Configuration", 1, 3, 15},
    {"IScsiDxe", 0x16884, "4B47D616-A8D6-4552-9D44-CCAD2E0F4CF9", "iSCSI Configuration", 5, 36, 179},
    {"PlatformDxe", 0x2FA4, "7235C51C-0C80-4CAB-87AC-3B084A6304B1", "OVMF Platform Configuration", 1, 3, 14},
    {"Tcg2ConfigDxe", 0x64A4, "6339D487-26BA-424B-9A5D-687E25D740BC", "TCG2 Configuration", 1, 19, 141},
};

const char *const kPlatformDump = R"(# PlatformDxe: form package at 0x2FA4 (174 bytes); strings en-US
FormSet Guid: 7235C51C-0C80-4CAB-87AC-3B084A6304B1, FormSetTitle: "OVMF Platform Configuration", Help: "Change various OVMF platform settings.", Flags: 0x1, ClassGuid: 93039971-8545-4B04-B45E-32EB8326040E
  DefaultStore DefaultName: 0x0, DefaultId: 0x0
  DefaultStore DefaultName: 0x0, DefaultId: 0x1
  VarStore Guid: 7235C51C-0C80-4CAB-87AC-3B084A6304B1, VarStoreId: 0x1, Size: 36, Name: MainFormState
  Form FormId: 0x1, FormTitle: "OVMF Settings"
    String Prompt: "Preferred Resolution at Next Boot", Help: "The preferred resolution of the Graphics Console at next boot. It might be unset, or even invalid (hence ignored) wrt. the video RAM size.", QuestionId: 0x1, VarStoreId: 0x1, VarOffset: 0x0, QuestionFlags: 0x1, MinSize: 0, MaxSize: 16, Flags: 0x0
    End
    Label Guid: 0F0B1735-87A0-4193-B266-538C38AF48CE, ExtendOpCode: 0x0, Number: 0x1
    Action Prompt: "Commit Changes and Exit", Help: "Commit Changes and Exit", QuestionId: 0x3, VarStoreId: 0x0, VarOffset: 0xFFFF, QuestionFlags: 0x4, QuestionConfig: 0x0
    End
    Action Prompt: "Discard Changes and Exit", Help: "Discard Changes and Exit", QuestionId: 0x4, VarStoreId: 0x0, VarOffset: 0xFFFF, QuestionFlags: 0x4, QuestionConfig: 0x0
    End
  End
End
)";

bool IsQuestion(uint8_t code) {
  switch (code) {
    case 0x05: case 0x06: case 0x07: case 0x08: case 0x0C: case 0x0F: case 0x1A: case 0x1B: case 0x1C: case 0x23:
      return true;
    default:
      return false;
  }
}

// The image is scanned once for all the cases (it unpacks about 13 MB).
class OvmfImage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream in(kImage, std::ios::binary);
    if (!in) return;
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    scan_ = new forms::ScanResult(forms::ScanForPackages(image.data(), image.size(), "OVMF_CODE_4M.fd"));
  }
  static void TearDownTestSuite() {
    delete scan_;
    scan_ = nullptr;
  }
  void SetUp() override {
    if (scan_ == nullptr) GTEST_SKIP() << kImage << " is not installed (Debian's ovmf package)";
  }

  static forms::ScanResult *scan_;
};
forms::ScanResult *OvmfImage::scan_ = nullptr;

TEST_F(OvmfImage, EveryFormPackageDecodesToItsPinnedCounts) {
  EXPECT_TRUE(scan_->notes.empty()) << scan_->notes.front();
  size_t found = 0;
  for (const forms::PackageList &list : scan_->lists) {
    EXPECT_FALSE(list.strings.empty()) << list.name << ": no strings paired with its forms";
    for (const forms::FoundFormPackage &package : list.forms) {
      SCOPED_TRACE(list.name + " at " + std::to_string(package.offset));
      ASSERT_LT(found, std::size(kPinned)) << "more form packages than pinned";
      const Pinned &pin = kPinned[found++];
      EXPECT_EQ(list.name, pin.module);
      EXPECT_EQ(package.offset, pin.offset);
      std::vector<forms::IfrOpcode> opcodes;
      ASSERT_NO_THROW(opcodes = forms::DecodeIfr(package.bytes.data(), package.bytes.size()));
      ASSERT_EQ(opcodes.front().code, forms::ifr::kFormSet);
      EXPECT_EQ(forms::GuidText(opcodes.front().Find("Guid")->guid), pin.guid);
      const auto title = list.strings.front().strings.find(static_cast<uint16_t>(opcodes.front().Number("FormSetTitle")));
      ASSERT_NE(title, list.strings.front().strings.end());
      EXPECT_EQ(forms::Utf16ToUtf8(title->second), pin.title);
      size_t formCount = 0, questions = 0, unknown = 0;
      for (const forms::IfrOpcode &op : opcodes) {
        formCount += op.code == forms::ifr::kForm;
        questions += IsQuestion(op.code);
        unknown += !op.known;
      }
      EXPECT_EQ(formCount, pin.forms);
      EXPECT_EQ(questions, pin.questions);
      EXPECT_EQ(opcodes.size(), pin.opcodes);
      EXPECT_EQ(unknown, 0u);
    }
  }
  EXPECT_EQ(found, std::size(kPinned));
}

TEST_F(OvmfImage, ThePlatformFormSetDumpsWhole) {
  std::vector<forms::PackageList> platform;
  for (const forms::PackageList &list : scan_->lists) {
    if (list.name == "PlatformDxe") platform.push_back(list);
  }
  ASSERT_EQ(platform.size(), 1u);
  std::ostringstream out;
  EXPECT_TRUE(forms::WriteFormsText(platform, {"en-US", false, false, {}}, out).empty());
  EXPECT_EQ(out.str(), kPlatformDump);
}

}  // namespace
