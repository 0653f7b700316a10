#!/usr/bin/env bash
# Compares qel-fetch with aria2c, axel, lftp and curl on the same files,
# served by nginx on loopback, in one run with the tools taking turns:
#   limited    512 MiB, 2 MiB/s per connection (nginx limit_rate)
#   unlimited  512 MiB without a limit, beside the ceiling of a plain copy
#              (and of one that also waits for the disk, as qel-fetch does)
#   latency    1 GiB over 50 ms round trip and 0.5% loss, in a network
#              namespace of its own (skipped where the machine can't)
# Prints the median time of each tool, qel-fetch's time over each peer's,
# and each tool's peak memory; then the targets, met or missed.
#
#   bench/download/run.sh
#
# Settings (environment): QEL_BENCH_CASES="limited unlimited latency",
# QEL_BENCH_ROUNDS=3, QEL_BENCH_LATENCY_MIB=1024, QEL_BENCH_RTT_MS=50,
# QEL_BENCH_LOSS=0.005, QEL_BENCH_CURL_LIMITED=1 (curl at 2 MiB/s takes
# four minutes a run: one run only; 0 leaves it out).
# Needs root (packages, network namespace). The benchmark's tools come from
# Debian and are installed here, not by scripts/install-deps.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

cases=${QEL_BENCH_CASES:-limited unlimited latency}
rounds=${QEL_BENCH_ROUNDS:-3}
latency_mib=${QEL_BENCH_LATENCY_MIB:-1024}
rtt_ms=${QEL_BENCH_RTT_MS:-50}
loss=${QEL_BENCH_LOSS:-0.005}
curl_limited=${QEL_BENCH_CURL_LIMITED:-1}
work=${TMPDIR:-/tmp}/qel-download-bench
netns=qelbench$$
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# --- tools ------------------------------------------------------------------
packages=(nginx aria2 axel curl lftp time iptables libnetfilter-queue-dev ethtool iproute2 g++)
missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] ||
    missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bench: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scripts/install-deps
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build --target qel-fetch >/dev/null
fetch=$root/build/bin/qel-fetch

mkdir -p "$work/files" "$work/out"
g++ -O2 -std=c++17 -o "$work/nfq_delay" bench/download/nfq_delay.cpp \
  -lnetfilter_queue -lnfnetlink

# --- files ------------------------------------------------------------------
make_file() {  # name MiB
  local path=$work/files/$1
  if [ "$(stat -c %s "$path" 2>/dev/null || echo 0)" != $(($2 * 1024 * 1024)) ]; then
    head -c $(($2 * 1024 * 1024)) /dev/urandom > "$path.tmp" && mv "$path.tmp" "$path"
    rm -f "$path.md5"
  fi
  [ -s "$path.md5" ] || md5sum "$path" | cut -d' ' -f1 > "$path.md5"
  cat "$path" > /dev/null  # served from memory, as a CDN would
}
make_file big512.bin 512
case " $cases " in *" latency "*) make_file "big${latency_mib}m.bin" "$latency_mib" ;; esac

# --- servers ----------------------------------------------------------------
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  [ -f "$work/nginx-ns.pid" ] && kill "$(cat "$work/nginx-ns.pid")" 2>/dev/null || true
  $sudo ip netns del "$netns" 2>/dev/null || true
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
nginx_conf() {  # pid-file
  cat <<EOF
user root;
worker_processes auto;
pid $1;
error_log $work/nginx-error.log warn;
events { worker_connections 4096; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  server {
    listen 127.0.0.1:$port;
    root $work/files;
    location /limited/ { alias $work/files/; limit_rate 2m; }
  }
}
EOF
}
nginx_conf "$work/nginx.pid" > "$work/nginx.conf"
nginx -c "$work/nginx.conf"

# --- one run ----------------------------------------------------------------
# run TOOL URL NAME MD5 [PREFIX...]: prints "seconds peak-KiB", checks the size.
run() {
  local tool=$1 url=$2 name=$3 md5=$4
  shift 4
  local out=$work/out/$tool
  rm -rf "$out"
  mkdir -p "$out"
  sync
  local command
  case $tool in
    qel-fetch) command=("$fetch" --quiet --log "$work/qel-fetch.log" --md5 "$md5" "$url" "$out") ;;
    aria2c) command=(aria2c -q -x16 -s16 --allow-overwrite=true --auto-file-renaming=false
                     -d "$out" -o "$name" "$url") ;;
    axel) command=(axel -q -n 24 -o "$out/$name" "$url") ;;
    lftp) command=(lftp -c "pget -n 24 '$url' -o '$out/$name'") ;;
    curl) command=(curl -s -o "$out/$name" "$url") ;;
    copy) command=(cp "$work/files/$name" "$out/$name") ;;
    # The copy with its bytes on the disk, as qel-fetch leaves a download.
    copy+sync) command=(sh -c 'cp "$1" "$2" && sync "$2"' - "$work/files/$name" "$out/$name") ;;
  esac
  local started ended
  started=$(date +%s%N)
  "$@" /usr/bin/time -f %M -o "$work/peak" "${command[@]}" > "$work/run.log" 2>&1 || {
    echo "bench: $tool failed:" >&2
    cat "$work/run.log" >&2
    echo "0 0"
    return
  }
  ended=$(date +%s%N)
  local size expected
  size=$(stat -c %s "$out/$name" 2>/dev/null || echo 0)
  expected=$(stat -c %s "$work/files/$name")
  if [ "$size" != "$expected" ]; then
    echo "bench: $tool wrote $size bytes of $expected" >&2
    echo "0 0"
    return
  fi
  echo "$(( (ended - started) / 1000000 )) $(tail -n 1 "$work/peak")"
}

declare -A times peaks
# measure CASE URL NAME TOOLS...: every round runs every tool once, in turn.
measure() {
  local name_case=$1 url=$2 name=$3
  shift 3
  local tools=("$@") md5 prefix=()
  md5=$(cat "$work/files/$name.md5")
  [ "$name_case" = latency ] && prefix=($sudo ip netns exec "$netns")
  for ((r = 0; r < rounds; r++)); do
    for ((i = 0; i < ${#tools[@]}; i++)); do
      local tool=${tools[$(((i + r) % ${#tools[@]}))]}
      if [ "$tool" = curl ] && [ "$name_case" = limited ] && [ "$r" -ge "$curl_limited" ]; then
        continue
      fi
      read -r ms kib < <(run "$tool" "$url" "$name" "$md5" "${prefix[@]}")
      times[$name_case,$tool]+="$ms "
      peaks[$name_case,$tool]=$(( ${peaks[$name_case,$tool]:-0} > kib ? ${peaks[$name_case,$tool]:-0} : kib ))
      printf 'bench: %-9s %-9s round %d: %6.2f s, %4d MiB\n' "$name_case" "$tool" $((r + 1)) \
        "$(seconds "$ms")" $((kib / 1024)) >&2
    done
  done
}

seconds() {  # milliseconds
  awk -v ms="$1" 'BEGIN {printf "%.2f", ms / 1000}'
}

median() {  # milliseconds...
  printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {if (NR==0) print 0; else if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'
}

# --- the cases --------------------------------------------------------------
peers=(aria2c axel lftp)
base=http://127.0.0.1:$port
for c in $cases; do
  case $c in
    limited)
      tools=(qel-fetch "${peers[@]}")
      [ "$curl_limited" -gt 0 ] && tools+=(curl)
      measure limited "$base/limited/big512.bin" big512.bin "${tools[@]}"
      ;;
    unlimited)
      measure unlimited "$base/big512.bin" big512.bin qel-fetch "${peers[@]}" curl copy copy+sync
      ;;
    latency)
      # A namespace of its own: its loopback with an Ethernet MTU and
      # without segmentation offloads, so that segments have their real
      # size and loss hits them one by one.
      if ! $sudo ip netns add "$netns" 2>/dev/null; then
        echo "bench: no network namespace on this machine; latency case skipped" >&2
        continue
      fi
      in_ns=($sudo ip netns exec "$netns")
      "${in_ns[@]}" ip link set lo mtu 1500 up
      "${in_ns[@]}" ethtool -K lo tso off gso off gro off >/dev/null 2>&1 || true
      # The server's packets carry the loss and the whole round trip; the
      # clients' (requests, acknowledgements) pass, which halves what the
      # delaying program has to carry.
      if ! "${in_ns[@]}" iptables-legacy -A INPUT -p tcp --sport "$port" -m statistic \
             --mode random --probability "$loss" -j DROP 2>/dev/null ||
         ! "${in_ns[@]}" iptables-legacy -A INPUT -p tcp --sport "$port" -j NFQUEUE \
             --queue-num 7 2>/dev/null; then
        echo "bench: no iptables statistic/NFQUEUE here; latency case skipped" >&2
        continue
      fi
      "${in_ns[@]}" "$work/nfq_delay" 7 "$rtt_ms" > "$work/nfq.log" 2>&1 &
      pids+=($!)
      nginx_conf "$work/nginx-ns.pid" > "$work/nginx-ns.conf"
      "${in_ns[@]}" nginx -c "$work/nginx-ns.conf"
      sleep 0.5
      measure latency "$base/big${latency_mib}m.bin" "big${latency_mib}m.bin" qel-fetch \
        "${peers[@]}"
      ;;
  esac
done

# --- the table --------------------------------------------------------------
declare -A med
echo
echo "| case | tool | median | runs | qel-fetch / tool | peak memory |"
echo "|---|---|---:|---:|---:|---:|"
for c in $cases; do
  q=$(median ${times[$c,qel-fetch]:-})
  for tool in qel-fetch "${peers[@]}" curl copy copy+sync; do
    [ -n "${times[$c,$tool]:-}" ] || continue
    m=$(median ${times[$c,$tool]})
    med[$c,$tool]=$m
    n=$(echo ${times[$c,$tool]} | wc -w)
    ratio=$(awk -v a="$q" -v b="$m" 'BEGIN {printf (b > 0 ? "%.2f" : "-"), a / b}')
    printf '| %s | %s | %s s | %d | %s | %d MiB |\n' "$c" "$tool" "$(seconds "$m")" \
      "$n" "$ratio" $((${peaks[$c,$tool]} / 1024))
  done
done

# --- the targets ------------------------------------------------------------
verdict() {  # text, awk condition on a and b, a, b
  if awk -v a="$3" -v b="$4" "BEGIN {exit !($2)}"; then
    echo "met:    $1"
  else
    echo "missed: $1"
  fi
}
echo
q=${med[limited,qel-fetch]:-}
if [ -n "$q" ]; then
  verdict "limited: at most 0.70 of aria2c" "a <= 0.70 * b" "$q" "${med[limited,aria2c]:-0}"
  verdict "limited: no slower than axel -n 24" "a <= b" "$q" "${med[limited,axel]:-0}"
  verdict "limited: no slower than lftp pget -n 24" "a <= b" "$q" "${med[limited,lftp]:-0}"
fi
q=${med[unlimited,qel-fetch]:-}
if [ -n "$q" ]; then
  for peer in "${peers[@]}"; do
    verdict "unlimited: faster than $peer" "a < b" "$q" "${med[unlimited,$peer]:-0}"
  done
  verdict "unlimited: at least 60% of the speed of a copy" "b >= 0.60 * a" "$q" \
    "${med[unlimited,copy]:-0}"
  verdict "unlimited: at least 60% of the speed of a copy that reaches the disk" "b >= 0.60 * a" \
    "$q" "${med[unlimited,copy+sync]:-0}"
fi
q=${med[latency,qel-fetch]:-}
if [ -n "$q" ]; then
  best=$(for peer in "${peers[@]}"; do echo "${med[latency,$peer]:-999999999}"; done | sort -n | head -1)
  verdict "latency: no slower than the best peer" "a <= b" "$q" "$best"
fi
# The engine's own buffers: connections x buffer, from its log.
buffers=$(grep -o 'start retry=\[0\], thread=\[[0-9]*\], buffer=\[[0-9]*\]' "$work/qel-fetch.log" |
  tail -1 | sed 's/.*thread=\[\([0-9]*\)\], buffer=\[\([0-9]*\)\]/\1 \2/')
if [ -n "$buffers" ]; then
  read -r threads buffer <<< "$buffers"
  budget=$(( (threads * buffer) / 1024 + 20 * 1024 ))
  peak=0
  for c in $cases; do
    p=${peaks[$c,qel-fetch]:-0}
    [ "$p" -gt "$peak" ] && peak=$p
  done
  verdict "memory: peak $((peak / 1024)) MiB within $threads x $((buffer / 1048576)) MiB buffers + 20 MiB" \
    "a <= b" "$peak" "$budget"
fi
