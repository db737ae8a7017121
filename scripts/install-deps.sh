#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing TuneVault need.
# Does nothing when they are all there already.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # playback: GStreamer's playbin (MP3 through mpg123) into the sound server, a
    # PulseAudio server whose null sink lets the tests play on machines without a
    # sound card; media keys through MPRIS on D-Bus, tested with playerctl
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good dbus playerctl
    gstreamer1.0-pulseaudio pulseaudio pulseaudio-utils
    # WMA (and other formats of the old platform) through libav
    gstreamer1.0-libav
    # media-change events of the drives
    libudev-dev
    # cover pictures: JPEG on libjpeg-turbo, TIFF and other formats through Qt's
    # image plugins, scanners through SANE (libsane1 holds its backends, the
    # tests use its "test" backend)
    libjpeg62-turbo-dev qt6-image-formats-plugins libsane-dev libsane1
    # run: platform plugins, German texts of Qt's own dialogs, fonts
    qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev libtag1-dev xvfb xauth
    # the command-line tool's options
    libcli11-dev
    # ffprobe cross-checks the MPEG analysis of the encoder-made test files; lame
    # and ffmpeg make the tagged files the tag tests write, mutagen reads them back
    ffmpeg lame python3-mutagen
    # independent readers of the images the tests write
    genisoimage xorriso libarchive-tools
    # the drive test on a real kernel: Debian's kernel, QEMU's emulated drives,
    # busybox in a small initramfs
    linux-image-amd64 kmod qemu-system-x86 busybox-static cpio
    # independent readers of the exported CSV and HTML files
    python3
    # the fuzz targets (clang with libFuzzer)
    clang libclang-rt-14-dev
    # installing: desktop entry, AppStream and manual page checks, the Debian package
    desktop-file-utils appstream man-db dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installiere: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
