#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools they drive need.
# Idempotent: asks apt only for what is missing, and updates the lists only then.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libudev-dev libblkid-dev libssl-dev libplist-dev libsystemd-dev
  # full Unicode case folding of the name search
  libicu-dev
  # tools the tests drive to build real images
  mtools dosfstools exfatprogs ntfs-3g fdisk gdisk parted util-linux attr xxd fuse3
  imagemagick icoutils libimage-exiftool-perl libtiff-tools
  exfat-fuse openssl e2fsprogs sleuthkit tzdata
  7zip xorriso
  # virtual disks in container formats (qcow2, VHD, VHDX, VMDK, VDI)
  qemu-utils
  ghostscript qpdf gnuplot-nox dos2unix python3-ezdxf epstool fonts-dejavu-core fp-utils-3.2.2
  # office documents and archives for the carving tests
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui
  python3-docx python3-openpyxl python3-pil msitools libgsf-bin zip p7zip-full gcab jlha-utils
  exfat-fuse openssl e2fsprogs sleuthkit
  ffmpeg abcmidi sqlite3
  # JPEGs with other frame headers (cjpeg without -baseline)
  libjpeg-turbo-progs
  # HTML pages as a tidier writes them, in either letter case
  tidy
  # thumbnails: Qt image readers, camera raw previews, movie frames
  qt6-base-dev libraw-dev libffmpegthumbnailer-dev
  # the desktop application and its end-to-end runs under a virtual X server
  qt6-svg-dev libqt6svg6 xvfb xauth xdotool x11-utils
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing+=("$p") ;;
  esac
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
