#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing (quick when all are
# there). Usage: scripts/deps.sh build|run|test|package
set -euo pipefail

build=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxkbcommon-dev
    libzip-dev libfontconfig-dev libfreetype-dev libicu-dev help2man
    # The HTML and PDF readers: libxml2's HTML parser and poppler's C++ interface.
    libxml2-dev libpoppler-cpp-dev
    # Remote control: the HTTP and WebSocket server, OSC, and the QR code of its address.
    qt6-httpserver-dev qt6-websockets-dev liblo-dev libqrencode-dev
    # Open stand-ins for the prompter's font choices, the rounded and monospaced interface
    # faces, and the icon font of the interface symbols.
    fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra fonts-urw-base35 fonts-quicksand
    fonts-material-design-icons-iconfont
    # Every script a script may be written in, in regular and bold (Thai, Indic, Ethiopic,
    # Armenian, Georgian, Arabic, Hebrew, Chinese, Japanese, Korean…), and colour emoji.
    fonts-noto-core fonts-noto-cjk fonts-noto-color-emoji
    # Voice following: the microphone, the speech recogniser with its US English model, the
    # resampler; the speech synthesiser the voice tests and the bench read aloud with.
    qt6-multimedia-dev libpulse-dev libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
    libsoxr-dev libespeak-ng-dev
)
run=(xvfb xauth)
# Building, checking, installing and removing the Debian package.
package=(dpkg-dev lintian appstream desktop-file-utils shared-mime-info man-db)
test=(
    xvfb xauth xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
    clang libclang-rt-14-dev
    appstream desktop-file-utils
    # Speech tests: espeak-ng reads the test scripts aloud, sox mixes in the noise; a private
    # sound server to plug microphones into while the voice strip watches.
    espeak-ng sox pulseaudio pulseaudio-utils
    # The web remote's browser test (its npm packages are installed by the test itself), and
    # the OSC command-line tools the README's examples use.
    chromium nodejs liblo-tools
)

wanted=("${build[@]}")
case "${1:-build}" in
    build) ;;
    run) wanted+=("${run[@]}") ;;
    test) wanted+=("${test[@]}" "${package[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    *) echo "usage: $0 build|run|test|package" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
# Some Node.js packages bring npm along; Debian's has it apart.
if [[ "${1:-build}" == test ]] && ! command -v npm >/dev/null; then
    missing+=(npm)
fi

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y "${missing[@]}"
fi
