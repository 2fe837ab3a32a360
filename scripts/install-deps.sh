#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need. Safe to run again:
# packages already present are left alone and apt is not touched at all when nothing is missing.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config lld
  # the sanitizer build and its libFuzzer targets (the fuzzer runtime is only a recommendation of
  # clang's)
  clang libclang-rt-14-dev
  # libraries the program links (the screen; HTTP for the browser driver; PDF print files)
  libncurses-dev libcurl4-openssl-dev libhpdf-dev
  # reading the government program's XML files (the declaration namespace)
  libpugixml-dev
  # what the program starts: the desktop's opener for the messaging service's web chat and the
  # print preview; the CUPS commands lp and lpstat; the browser with its driver that fill the DARF
  # calculator page (also what the page's tests drive)
  xdg-utils cups-client chromium chromium-driver
  # the Java runtime that runs the government program's hash program (IHash.jar) at hand-over
  default-jre-headless
  # the archiver of the compressed backups (7z)
  p7zip-full
  # tests and benchmarks (pdfinfo and pdftotext check the printed PDFs)
  libgtest-dev libgmock-dev libbenchmark-dev poppler-utils
  # well-formedness of the declaration documents
  libxml2-utils
  # other xBase readers and writers the storage tests check our files against
  python3 python3-dbfread python3-dbf libdbd-xbase-perl
  # the local SMTP server (TLS, authentication) the e-mail tests send to
  python3-aiosmtpd openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
