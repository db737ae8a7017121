#!/bin/busybox sh
# The first process of the test machine: loads the drivers, waits for the drives,
# runs tunevault-tool against them and prints what it and the kernel say, in
# sections the host's checker reads. Ends by powering the machine off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp /mnt && mount -t tmpfs tmp /tmp
export PATH=/bin LANG=C.UTF-8

for module in $(cat /modules/order); do insmod "/modules/$module" 2>/dev/null; done

# The drives announce themselves asynchronously (USB last): wait until all are there.
expected=$(cat /data/drive-count)
for _ in $(seq 1 120); do
    found=0
    for d in /sys/class/scsi_device/*; do
        [ "$(cat "$d/device/type" 2>/dev/null)" = 5 ] && found=$((found + 1))
    done
    [ "$found" -ge "$expected" ] && break
    sleep 1
done
sleep 2

section() { echo "=== $*"; }

section sysfs
for d in /sys/class/scsi_device/*; do
    [ "$(cat "$d/device/type")" = 5 ] || continue
    block=$(ls "$d/device/block" 2>/dev/null | head -1)
    size=$(cat "/sys/block/$block/size" 2>/dev/null || echo 0)
    printf '%s|%s|%s|%s|%s|%s\n' "${d##*/}" "$(cat "$d/device/vendor")" "$(cat "$d/device/model")" \
        "$(cat "$d/device/rev")" "$block" "$size"
done

section drives
/tunevault-tool drives 2>/dev/null
echo "rc=$?"

# Every drive is asked to burn and to erase; each refusal names its reason.
for id in $(/tunevault-tool drives 2>/dev/null | sed -n 's/^drive: \([0-9]*:[0-9]*:[0-9]*\),\(sr[0-9]*\):.*/\1,\2/p'); do
    address=${id%,*}
    section burn "$id"
    /tunevault-tool burn --device "$address" /data/files/* >/tmp/out 2>&1
    echo "rc=$?"
    cat /tmp/out
    section erase "$id"
    /tunevault-tool erase --device "$address" >/tmp/out 2>&1
    echo "rc=$?"
    cat /tmp/out
done

# The kernel's own ISO 9660 driver reads the discs tunevault-tool made.
for block in $(ls /sys/block | grep '^sr'); do
    [ "$(cat /sys/block/$block/size)" -gt 0 ] || continue
    section readback "$block"
    if mount -t iso9660 -o ro "/dev/$block" /mnt 2>/dev/null; then
        for f in /data/files/*; do
            name=${f##*/}
            if cmp -s "$f" "/mnt/$name"; then echo "same $name"; else echo "differs $name"; fi
        done
        # A mounted disc is still described as it is.
        section mounted "$block"
        /tunevault-tool drives 2>/dev/null
        echo "rc=$?"
        umount /mnt
    else
        echo "mount failed"
    fi
done

section end
poweroff -f
