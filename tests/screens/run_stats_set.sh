#!/bin/sh
# Shoots the statistics view of a week, a month and a year page, in Korean and English, without
# and with a daily goal (the goal's set also keeps steps by hour): run_stats_set.sh BUILD_DIR
# OUT_DIR (MOVIMETRA_SCALE chooses the scale). The history is 500 days up to Thursday 2024-03-14.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Taps over the chart until one lands on the total bubble; the statistics view ignores the rest.
# On a week page a tap in a day's column opens that day, so the first row of taps runs above the
# columns' reach: this history's week bubble stands there.
sweep() {
  y=262
  while [ $y -le 652 ]; do
    x=100
    while [ $x -le 460 ]; do
      echo "tap $x $y"
      x=$((x + 20))
    done
    y=$((y + 20))
  done
}

for lang in ko en; do
  for goal in none goal; do
    rm -rf "$dir/run" && mkdir "$dir/run"
    cp "$build/Movimetra" "$build/CalendarPicker.so" "$dir/run/"
    cp -r "$build/img" "$dir/run/"
    {
      cat "$here/history_rows.sql"
      [ $lang = ko ] && echo "UPDATE info SET lang = '0';"
      echo "WITH RECURSIVE d(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM d WHERE n < 499)
        INSERT INTO pedometer(curdate, curtime, steps, kcal, distance)
        SELECT date('2022-11-01', '+' || n || ' day'), '10:00', (n * 7919) % 13000,
               ((n * 7919) % 13000) * 0.041, ((n * 7919) % 13000) * 0.72 FROM d WHERE n % 11 != 3;"
      if [ $goal = goal ]; then
        echo "CREATE TABLE goal ('steps' INTEGER DEFAULT 0, 'noticed' VARCHAR(10) DEFAULT NULL);"
        echo "INSERT INTO goal VALUES(6000, '2024-03-14');"
        echo "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER
          DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, PRIMARY KEY (curdate, hour));"
        echo "INSERT INTO hourly SELECT curdate, 7 + (SUM(steps) % 11), SUM(steps), SUM(kcal), SUM(distance)
          FROM pedometer GROUP BY curdate;"
      fi
    } | sqlite3 "$dir/run/Movimetra.db"
    {
      echo "wait 500"
      echo "tap 400 692"
      echo "wait 300"
      for page in week month year; do
        [ $page = month ] && echo "tap 240 97" && echo "wait 200"
        [ $page = year ] && echo "tap 390 97" && echo "wait 200"
        sweep
        echo "wait 200"
        echo "shot $out/stats_${page}_${lang}_${goal}.png"
        echo "softkey right"
        echo "wait 200"
      done
      echo "quit"
    } > "$dir/script.txt"
    TZ=UTC MOVIMETRA_DISPLAY=headless MOVIMETRA_CLOCK=manual MOVIMETRA_CLOCK_START="2024-03-14 10:00:00" \
      MOVIMETRA_SENSOR=none MOVIMETRA_SCRIPT="$dir/script.txt" MOVIMETRA_INSTANCE="stats-set-$$" \
      "$dir/run/Movimetra" 2>/dev/null
  done
done
