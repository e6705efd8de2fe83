# The q35 machine every firmware run boots, sourced by efi/run-qemu, efi/run-dispatched and efi/run-crossings:
# OVMF's code and variable store as pflash, the boot disk on virtio, the SATA disk on the
# AHCI controller, TCG, the serial console on standard input and output.
# q35_machine CODE VARS BOOT SATA sets the array q35 to the QEMU command.
q35_machine() {
  q35=(qemu-system-x86_64
    -machine q35,accel=tcg -m 256 -nodefaults -display none -serial stdio -no-reboot
    -drive if=pflash,format=raw,unit=0,readonly=on,file="$1"
    -drive if=pflash,format=raw,unit=1,file="$2"
    -drive if=none,id=boot,format=raw,file="$3"
    -device virtio-blk-pci,drive=boot,addr=0x4,bootindex=0
    -drive if=none,id=sata0,format=raw,file="$4"
    -device ide-hd,bus=ide.0,drive=sata0,bootindex=1)
}

# q35_boot_volume IMAGE IMAGES writes the FAT boot volume: the test application as the
# removable-media boot file, the two drivers beside it in \setup (IMAGES: their build folder).
q35_boot_volume() {
  rm -f "$1"
  truncate -s 16M "$1"
  mformat -i "$1" ::
  mmd -i "$1" ::/EFI ::/EFI/BOOT ::/setup
  mcopy -i "$1" "$2/setup_testapp.efi" ::/EFI/BOOT/BOOTX64.EFI
  mcopy -i "$1" "$2/companion.efi" "$2/setup_driver.efi" ::/setup/
}
