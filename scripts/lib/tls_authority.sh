# A certificate authority of our own, made at run time with openssl for the https mirrors of the
# tests and the demo, and the server certificates it signs. Nothing here is ever committed.
#
# tls_authority_make DIR   makes anew in DIR (a few seconds; nothing of an earlier run is kept):
#   ca.pem, ca.der           the authority (the file clients are told to trust)
#   server.pem, server.key   127.0.0.1 (as an IP subject alternative name), signed by it, valid now
#   expired.pem, expired.key the same, signed by it, but valid only until a year ago
#   stranger.pem, stranger.key  the same, valid now, but signed by an authority nobody trusts
# Sets tls_dir to DIR.

tls_dir=

# The request extensions of a server certificate for 127.0.0.1.
tls_server_extensions() {
  cat <<'EXT'
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EXT
}

# tls_make_authority DIR NAME TITLE   a self-signed authority DIR/NAME.pem with its key
tls_make_authority() {
  local dir=$1 name=$2 title=$3
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/O=Vantorel test/CN=$title" \
    -keyout "$dir/$name.key" -out "$dir/$name.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -addext "subjectKeyIdentifier=hash" 2>/dev/null
}

# tls_sign DIR AUTHORITY NAME START END   DIR/NAME.pem for 127.0.0.1, signed by DIR/AUTHORITY,
# valid from START to END (openssl ca's YYYYMMDDHHMMSSZ)
tls_sign() {
  local dir=$1 authority=$2 name=$3 start=$4 end=$5 db="$1/db-$3"
  rm -rf "$db"; mkdir -p "$db"
  : >"$db/index.txt"
  openssl rand -hex 16 >"$db/serial"
  tls_server_extensions >"$db/extensions"
  cat >"$db/ca.conf" <<CONF
[ca]
default_ca = this
[this]
database = $db/index.txt
serial = $db/serial
new_certs_dir = $db
certificate = $dir/$authority.pem
private_key = $dir/$authority.key
default_md = sha256
policy = any
unique_subject = no
copy_extensions = none
[any]
commonName = supplied
CONF
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$dir/$name.key" -out "$db/request.csr" 2>/dev/null &&
    openssl ca -batch -notext -config "$db/ca.conf" -extfile "$db/extensions" -in "$db/request.csr" \
      -startdate "$start" -enddate "$end" -out "$dir/$name.pem" >"$db/log" 2>&1 ||
    { cat "$db/log" >&2; return 1; }
  rm -rf "$db"
}

tls_authority_make() {
  local dir=$1
  tls_dir=$dir
  rm -rf "$dir"; mkdir -p "$dir"
  local now year_ago two_years_ago in_a_month
  now=$(date -u +%Y%m%d%H%M%SZ -d '-1 hour')
  in_a_month=$(date -u +%Y%m%d%H%M%SZ -d '+30 days')
  year_ago=$(date -u +%Y%m%d%H%M%SZ -d '-1 year')
  two_years_ago=$(date -u +%Y%m%d%H%M%SZ -d '-2 years')
  tls_make_authority "$dir" ca "Vantorel test authority" &&
    tls_make_authority "$dir" stranger-ca "An authority nobody trusts" &&
    tls_sign "$dir" ca server "$now" "$in_a_month" &&
    tls_sign "$dir" ca expired "$two_years_ago" "$year_ago" &&
    tls_sign "$dir" stranger-ca stranger "$now" "$in_a_month" &&
    openssl x509 -in "$dir/ca.pem" -outform DER -out "$dir/ca.der" || { echo "tls: could not make the authority" >&2; return 1; }
  rm -f "$dir/stranger-ca.key"
}
