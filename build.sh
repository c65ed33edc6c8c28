#!/usr/bin/env bash
# Lumek's one build script.
#   ./build.sh deps              install the missing Debian packages
#   ./build.sh build             configure and build (build/)
#   ./build.sh test              deps, build, then run every test
#   ./build.sh test --sanitize   the same with address and undefined sanitizers (build-sanitize/)
#   ./build.sh demo              deps, build, then make out/demo.mp4 from the bundled demo song
#   ./build.sh fuzz [SECONDS]    build the fuzzers with clang (build-fuzz/), run each (60 s)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ pkg-config qt6-base-dev qt6-base-dev-tools libmpg123-dev libsdl2-dev
          libcurl4-openssl-dev libssl-dev libturbojpeg0-dev ffmpeg fonts-nanum libgtest-dev
          libcpp-httplib-dev)
jobs=$(nproc 2>/dev/null || echo 2)

deps() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

run_tests() {  # run_tests DIR
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        ctest --test-dir "$1" --output-on-failure -j "$jobs"
}

case "${1:-}" in
    deps) deps ;;
    build) build build ;;
    test)
        deps
        if [ "${2:-}" = "--sanitize" ]; then
            build build-sanitize -DLUMEK_SANITIZE=ON
            UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize
        else
            build build
            run_tests build
        fi
        ;;
    demo)
        deps
        build build
        # The song is copied, since making a video rewrites its lyric file in the code page.
        rm -rf out/demo-song && mkdir -p out/demo-song
        cp examples/demo.mp3 examples/demo.lrc out/demo-song/
        rm -f out/demo.mp4
        build/cli/lumek make out/demo-song/demo.mp3 -o out --preset iphone
        ;;
    fuzz)
        packages+=(clang libclang-rt-dev)  # libFuzzer and the sanitizer runtimes
        deps
        CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DLUMEK_FUZZ=ON >/dev/null
        cmake --build build-fuzz -j "$jobs" --target fuzzers
        # New inputs collect in build-fuzz/fuzz-corpus; the committed seeds are only read.
        # Anything found is written to build-fuzz/fuzz-found/ and stops the run.
        for fuzzer in build-fuzz/fuzz/*_fuzz; do
            name=$(basename "$fuzzer" _fuzz)
            mkdir -p "build-fuzz/fuzz-corpus/$name" build-fuzz/fuzz-found
            echo "== $name"
            QT_QPA_PLATFORM=offscreen "$fuzzer" -max_total_time="${2:-60}" -timeout=10 \
                -rss_limit_mb=3072 -print_final_stats=1 \
                -artifact_prefix="build-fuzz/fuzz-found/$name-" \
                "build-fuzz/fuzz-corpus/$name" "fuzz/corpus/$name"
        done
        ;;
    *)
        sed -n '2,8p' "$0"
        exit 2
        ;;
esac
