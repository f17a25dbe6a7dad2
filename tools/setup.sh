#!/usr/bin/env bash
# Installs every Debian package that building and testing Quillorn needs.
# Idempotent: when everything is present it only checks and returns.
#   tools/setup.sh              what the build and the tests need
#   tools/setup.sh screenshots  that, and what tools/screenshots.sh needs too
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # tests, fuzzing and sanitizers
  googletest libgtest-dev libgmock-dev clang libclang-rt-dev
  # benchmarks
  libbenchmark-dev
  # the command line: JSON reports and decisions files
  nlohmann-json3-dev
  # a rewritten file keeps the old one's access control list and extended attributes
  libacl1-dev libattr1-dev
  # the Internet check (ca-certificates: the authorities https servers are verified against)
  libcurl4-openssl-dev ca-certificates
  # the wizard and the restorer, and their headless tests
  qt6-base-dev fonts-dejavu-core fonts-dejavu-extra xvfb
  # the FTP and HTTPS servers of the Internet check's tests; openssl makes the
  # HTTPS server's certificate (tools/make-test-certificate.sh); the SARIF
  # report's test checks it against its schema with python3-jsonschema
  python3 python3-pyftpdlib openssl python3-jsonschema
  # the Debian package and its test (dpkg-shlibdeps finds its dependencies;
  # cpack looks at the programs with file; lintian checks the package against
  # Debian's policy)
  dpkg-dev desktop-file-utils file lintian
  # formatting
  clang-format
)
if [[ "${1:-}" == screenshots ]]; then
  # the HTML report's picture, taken by a headless browser
  packages+=(chromium)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
