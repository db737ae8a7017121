#!/usr/bin/env bash
# tunevault-tool on a real Linux kernel with emulated CD/DVD drives: boots
# Debian's kernel (linux-image-amd64) with a small busybox initramfs under QEMU
# (KVM when it works, else software emulation), with ATAPI drives on PIIX and
# AHCI and SCSI drives on virtio-scsi (target 9, LUN 1), LSI and USB storage,
# some with discs made by "tunevault-tool iso", some empty. The guest prints what
# the tool and the kernel say (guest_init.sh); check_vm_output.py compares them.
#   TOOL=build/bin/tunevault-tool DATA=tests/data bash run_vm_test.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${TOOL:?}" "${DATA:?}"

kernel=$(ls /boot/vmlinuz-*-amd64 2>/dev/null | sort -V | tail -1 || true)
[ -n "$kernel" ] || { echo "no Debian kernel in /boot (linux-image-amd64)"; exit 1; }
release=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$release

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,mnt,tmp,modules,data/files}

# busybox (static), the tool and the libraries it needs.
cp /bin/busybox "$root/bin/busybox"
cp "$TOOL" "$root/tunevault-tool"
for library in $(ldd "$TOOL" | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
done
cp "$here/guest_init.sh" "$root/init"
chmod +x "$root/init"

# The drivers, in the order their dependencies need.
for name in sr_mod sg ahci ata_piix virtio_pci virtio_scsi sym53c8xx xhci_pci usb_storage isofs; do
    modprobe -S "$release" --show-depends "$name"
done | awk '$1 == "insmod" && !seen[$2]++ { print $2 }' > "$work/modules"
while read -r module; do
    cp "$module" "$root/modules/"
    basename "$module" >> "$root/modules/order"
done < "$work/modules"

# The discs: a CD made by tunevault-tool, and the same session on a DVD-sized
# medium (a sparse file).
cp "$DATA"/mp3/with_id3v1.mp3 "$DATA"/mp3/vbr_stereo.mp3 "$DATA"/mp3/cbr128_stereo.mp3 "$root/data/files/"
SOURCE_DATE_EPOCH=1700000000 "$TOOL" iso -o "$work/cd.iso" --volume-id VMTEST "$root"/data/files/* >/dev/null
cp "$work/cd.iso" "$work/dvd.iso"
truncate -s 1200M "$work/dvd.iso"
echo 7 > "$root/data/drive-count"
stat -c %s "$work/cd.iso" > "$root/data/cd-size"

(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"

accel=tcg
if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then accel=kvm:tcg; fi
cd_drive() { echo "if=none,id=$1,media=cdrom,readonly=on${2:+,file=$2,format=raw}"; }
start=$SECONDS
timeout 600 qemu-system-x86_64 -machine pc,accel=$accel -m 768 -smp 1 -nographic -no-reboot -nic none \
    -kernel "$kernel" -initrd "$work/initrd.gz" -append "console=ttyS0 panic=-1 quiet loglevel=3" \
    -drive "$(cd_drive piix "$work/cd.iso")" -device ide-cd,bus=ide.1,unit=0,drive=piix \
    -device ahci,id=ahci -drive "$(cd_drive ahci)" -device ide-cd,bus=ahci.0,drive=ahci \
    -device virtio-scsi-pci,id=vscsi \
    -drive "$(cd_drive vscsi9 "$work/dvd.iso")" -device scsi-cd,bus=vscsi.0,scsi-id=9,lun=0,drive=vscsi9 \
    -drive "$(cd_drive vscsil1 "$work/cd.iso")" -device scsi-cd,bus=vscsi.0,scsi-id=0,lun=1,drive=vscsil1 \
    -device lsi53c895a,id=lsi -drive "$(cd_drive lsi)" -device scsi-cd,bus=lsi.0,scsi-id=3,drive=lsi \
    -device qemu-xhci,id=xhci -device usb-bot,id=bot,bus=xhci.0 \
    -drive "$(cd_drive usb "$work/cd.iso")" -device scsi-cd,bus=bot.0,drive=usb \
    -drive "$(cd_drive piix2)" -device ide-cd,bus=ide.1,unit=1,drive=piix2 \
    < /dev/null > "$work/console.log" 2>&1 || true
echo "vm: $((SECONDS - start)) s ($accel)"

python3 "$here/check_vm_output.py" "$work/console.log" "$(cat "$root/data/cd-size")"
