#!/bin/sh
# Installs what building and testing Wavelore needs on Debian 12 (run as root).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    cmake ninja-build g++ pkg-config ca-certificates \
    portaudio19-dev libasound2-dev libasound2-plugins libcurl4-openssl-dev \
    libsndfile1-dev libsamplerate0-dev libcli11-dev \
    qt6-base-dev \
    libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev \
    >/dev/null
