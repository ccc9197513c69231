# The update server as its clients meet it: three mirrors with the demo catalog answer the
# request that vantorel-cli builds for the simulated PC, posted by the curl command-line tool as
# a multipart form; a package download resumes with a range; bad requests get 4xx and harm nothing.
# Results go to server_check_results as "pass ..." or "fail ...". The programs come from build/host,
# or from the build folder VANTOREL_HOST_BUILD names.
server_check_results=()

server_check() {
  local label=$1; shift
  if "$@"; then server_check_results+=("pass server: $label"); else server_check_results+=("fail server: $label"); fi
}

post_request() {  # URL FILE OUT -> prints the status
  curl -s -o "$3" -w '%{http_code}' --max-time 20 -F "kelvdoc=@$2" "$1"
}

answers_with_offers() {
  local url=$1 request=$2 out=$3
  [ "$(post_request "$url" "$request" "$out")" = 200 ] && grep -q '<item>' "$out" &&
    [ "$(grep -c '<hardware>' "$out")" -eq "$(grep -c '<hardware>' "$4")" ]
}

resumes_with_a_range() {
  local url=$1 file=$2 out=$3
  [ "$(curl -s -o "$out" -w '%{http_code}' --max-time 20 -r 100- "$url")" = 206 ] && cmp -s "$out" <(tail -c +101 "$file")
}

# The answer is written in the ANSI code page that goes with the request's OEM code page, and says
# so in its content type and declaration: the localised demo packages' descriptions in 1252 for
# OEM 850 and in 1251 for OEM 866 (ü is 0xFC in 1252; "Контроллер" is CA EE ED F2 F0 EE EB EB E5 F0 in 1251).
answers_in_the_clients_code_page() {
  local url=$1 work=$2 oem=$3 charset=$4 bytes=$5
  local cli="${VANTOREL_HOST_BUILD:-$root/build/host}/vantorel-cli" profile="$root/tools/simulated_pc/simulated-pc.json"
  "$cli" request --profile "$profile" --os WIN764 --lang "$oem" --compressed >"$work/request-$oem.z" || return 1
  curl -s -D "$work/answer-$oem.headers" -o "$work/answer-$oem.xml" --max-time 20 -F "kelvdoc=@$work/request-$oem.z" "$url" &&
    grep -qi "^Content-Type: text/xml; charset=$charset" "$work/answer-$oem.headers" &&
    head -n 1 "$work/answer-$oem.xml" | grep -q "encoding=\"$charset\"" &&
    LC_ALL=C grep -q "$(printf "$bytes")" "$work/answer-$oem.xml"
}

refuses_then_still_answers() {
  local url=$1 request=$2 work=$3
  [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 20 -F 'kelvdoc=not zlib' "$url")" = 400 ] &&
    [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 20 -d 'x=1' "$url")" = 400 ] &&
    [ "$(head -c 9000000 /dev/zero | curl -s -o /dev/null -w '%{http_code}' --max-time 20 -F 'kelvdoc=@-' "$url")" = 413 ] &&
    answers_with_offers "$url" "$request" "$work/again.xml" "$work/request.xml"
}

server_checks() {
  local work=$1 n
  source "$root/scripts/lib/mirrors.sh"
  mkdir -p "$work"
  if ! mirrors_start "$work"; then server_check_results+=("fail server: mirrors start"); return; fi
  local cli="${VANTOREL_HOST_BUILD:-$root/build/host}/vantorel-cli" profile="$root/tools/simulated_pc/simulated-pc.json"
  "$cli" request --profile "$profile" --os WIN764 --compressed >"$work/request.z"
  "$cli" request --profile "$profile" --os WIN764 >"$work/request.xml"
  for n in 0 1 2; do
    server_check "mirror $((n + 1)) answers the simulated PC" answers_with_offers "${mirror_urls[$n]}" "$work/request.z" \
      "$work/answer$n.xml" "$work/request.xml"
  done
  server_check "a package download resumes" resumes_with_a_range \
    "${mirror_urls[1]}packages/nvidia-display-441.66-win7-x64.zip" "$work/packages/nvidia-display-441.66-win7-x64.zip" "$work/tail.bin"
  server_check "a Western European client gets windows-1252" answers_in_the_clients_code_page "${mirror_urls[0]}" "$work" \
    850 windows-1252 'Unifying f\xfcr USB'
  server_check "a Russian client gets windows-1251" answers_in_the_clients_code_page "${mirror_urls[0]}" "$work" \
    866 windows-1251 '\xca\xee\xed\xf2\xf0\xee\xeb\xeb\xe5\xf0 '
  server_check "bad requests get 4xx, the mirror keeps answering" refuses_then_still_answers "${mirror_urls[2]}" "$work/request.z" "$work"
  mirrors_stop
}
