#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tarnwick need.
# Idempotent: installs only what is missing. As root it runs apt-get itself;
# otherwise it prints the one command to run.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev
  qt6-base-dev
  libcurl4-openssl-dev openssl ca-certificates
  libkrb5-dev krb5-kdc krb5-admin-server krb5-user
  gss-ntlmssp gss-ntlmssp-dev
  python3 python3-gssapi python3-winrm python3-xmltodict
  locales fonts-dejavu-core fontconfig
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

# A second locale for the tests of the user's number and date forms.
need_locale=0
locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || need_locale=1

if [[ ${#missing[@]} -eq 0 && $need_locale -eq 0 ]]; then
  exit 0
fi

cmd=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
  if [[ ${#missing[@]} -gt 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || true
    "${cmd[@]}"
  fi
  [[ $need_locale -eq 0 ]] || localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
elif [[ ${#missing[@]} -eq 0 ]]; then
  exit 0 # only the optional test locale is missing
else
  echo "Missing packages. Run as root:" >&2
  echo "  sudo ${cmd[*]}" >&2
  exit 1
fi
