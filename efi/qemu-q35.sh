# The q35 machine every firmware run boots, sourced by efi/run-qemu and efi/run-dispatched:
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
