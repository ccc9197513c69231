# Downloads through the real programs against nginx: each check runs vantorel-cli download or
# fetch (the host build, or a Windows build under Wine) and compares the file with the served one.
#
# download_checks CLI_RUNNER NAME   where CLI_RUNNER runs vantorel-cli with its arguments
# The served folder must hold package.bin (1000 bytes) and "spaced name.bin".

download_check_results=()

download_check() {
  local label=$1 expected=$2 file=$3
  if cmp -s "$expected" "$file"; then
    download_check_results+=("pass $label")
  else
    download_check_results+=("fail $label")
  fi
}

download_checks() {
  local runner=$1 name=$2 www=$3 work=$4
  mkdir -p "$work"
  rm -rf "$work"/*
  # A fresh download.
  $runner download "$nginx_url/package.bin" --size 1000 --to "$work/fresh.bin" >"$work/fresh.json" 2>&1
  download_check "$name: fresh download from nginx" "$www/package.bin" "$work/fresh.bin"
  # A resume: the first 400 bytes are there, the rest comes with a range request.
  head -c 400 "$www/package.bin" >"$work/resumed.bin"
  $runner download "$nginx_url/package.bin" --size 1000 --resume-from 400 --to "$work/resumed.bin" \
    >"$work/resumed.json" 2>&1
  download_check "$name: resume from byte 400 against nginx" "$www/package.bin" "$work/resumed.bin"
  grep -q '"http_status": 206' "$work/resumed.json" || download_check_results+=("fail $name: resume answered 206")
  # A name with a space goes out as %20.
  $runner download "$nginx_url/spaced name.bin" --size 1000 --to "$work/spaced.bin" >"$work/spaced.json" 2>&1
  download_check "$name: a link with a space" "$www/spaced name.bin" "$work/spaced.bin"
  # A download session in a folder with a space and an accent: it resumes the partial file it
  # finds there (named by the MD5 digest of the link's file name) and renames it when complete.
  local folder="$work/dl é" digest
  digest=$(printf %s package.bin | md5sum | cut -d' ' -f1)
  mkdir -p "$folder"
  head -c 400 "$www/package.bin" >"$folder/$digest.bin.tmp"
  $runner fetch "$nginx_url/package.bin" --size 1000 --folder "$folder" >"$work/fetch.json" 2>&1
  download_check "$name: a download session resumes and completes" "$www/package.bin" "$folder/$digest.bin"
  grep -q '"http_status": 206' "$work/fetch.json" || download_check_results+=("fail $name: the session resumed with a range")
}
