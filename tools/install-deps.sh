#!/bin/sh
# Installs what building and testing Wavelore needs on Debian 12 (run as root).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config ca-certificates \
    portaudio19-dev libasound2-dev libasound2-plugins libcurl4-openssl-dev \
    libsndfile1-dev libsamplerate0-dev libcli11-dev libsqlite3-dev \
    libsoapysdr-dev soapysdr-tools libliquid-dev \
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev \
    fonts-dejavu-core fonts-ipafont-gothic \
    libmicrohttpd-dev libpq-dev postgresql \
    libgtest-dev libbenchmark-dev libxml2-utils \
    xvfb xauth desktop-file-utils \
    dpkg-dev file lintian appstream systemd man-db \
    chromium python3 \
    >/dev/null
# The accessibility rules the service's page test runs in Chromium, from the
# npm registry (with Debian's npm where the machine has none of its own).
if ! command -v npm >/dev/null 2>&1; then
    apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
npm install --global --no-fund --no-audit --loglevel=error axe-core@4.10.3 >/dev/null
