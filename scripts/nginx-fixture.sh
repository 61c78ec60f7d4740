#!/usr/bin/env bash
# Starts or stops the nginx that serves every HTTP test of a build tree.
#   nginx-fixture.sh start BUILD_DIR   writes BUILD_DIR/nginx-fixture/{nginx.conf,port,closed_port}
#   nginx-fixture.sh stop BUILD_DIR
# Everything nginx writes (pid, logs, temp files) stays under BUILD_DIR/nginx-fixture; tests put
# the files to serve into its www folder. Locations (all serve the same www folder):
#   /          plain files with Content-Length and Range support
#   /slow/     the same at a limited rate, for transfers a test interrupts
#   /norange/  a server that ignores Range and always answers 200 with the whole file
#   /chunked/  the same files with chunked transfer encoding and no Content-Length
set -eu
cmd="${1:-}"
build_dir="${2:-}"
if [ -z "$cmd" ] || [ -z "$build_dir" ]; then
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
fi
dir="$(cd "$build_dir" && pwd)/nginx-fixture"
nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"

stop() {
  if [ -f "$dir/nginx.pid" ]; then
    pid="$(cat "$dir/nginx.pid")"
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill -QUIT "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$dir/nginx.pid"
  fi
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

case "$cmd" in
  stop)
    stop
    exit 0 ;;
  start)
    stop
    mkdir -p "$dir/logs" "$dir/tmp" "$dir/www"
    port="$(free_port)"
    closed_port="$(free_port)"
    while [ "$closed_port" = "$port" ]; do closed_port="$(free_port)"; done
    user_line=""
    # As root, workers would switch to "nobody", who may not read the build tree.
    [ "$(id -u)" = 0 ] && user_line="user root;"
    cat > "$dir/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/logs/error.log;
events { worker_connections 256; }
http {
  log_format fixture '\$request "\$http_range" \$status \$body_bytes_sent';
  access_log $dir/logs/access.log fixture;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  types { text/html html htm; text/plain txt; }
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:$port;
    root $dir/www;
    location /slow/ { alias $dir/www/; limit_rate 64k; }
    location /norange/ { alias $dir/www/; max_ranges 0; }
    location /chunked/ { alias $dir/www/; ssi on; ssi_types *; }
  }
}
CONF
    "$nginx_bin" -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log"
    for _ in $(seq 50); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        echo "$port" > "$dir/port"
        echo "$closed_port" > "$dir/closed_port"
        exit 0
      fi
      sleep 0.1
    done
    echo "nginx did not start; see $dir/logs/error.log" >&2
    stop
    exit 1 ;;
  *)
    echo "usage: $0 start|stop BUILD_DIR" >&2
    exit 2 ;;
esac
