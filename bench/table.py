#!/usr/bin/env python3
"""Prints the figures of one scripts/bench run as one Markdown table.

Usage: table.py DIR   (DIR holds the *.json of the benchmark binaries and
counts.txt, lines "CASE PATH INSTRUCTIONS_PER_CALL" from callgrind).
"""
import json
import pathlib
import sys

# Cases whose channel path has a target: name prefix -> (limit, kind).
#   "abs_us": median CPU time per call at most this many microseconds;
#   "abs_ms": median wall time per call at most this many milliseconds;
#   "ratio": median wall time at most this many times the bare twin's.
TARGETS = [
    ("dispatch ", (1.0, "abs_us")),
    ("keyboard", (1.0, "abs_ms")),
    ("", (1.10, "ratio")),
]
# callgrind loop cases -> table cases.
COUNT_CASES = {
    "dispatch-theme": "dispatch getPlatformThemePointer",
    "dispatch-move": "dispatch moveMouse",
    "moveMouse": "moveMouse",
    "getMouseCoords": "getMouseCoords",
    "screenList": "screenList",
    "wheelMouse": "wheelMouse flush",
    "moveMouseAndClick": "moveMouseAndClick flush",
    "keyboardPress-egrave": "keyboardPress è",
    "keyboardPress-a": "keyboardPress a",
    "keyboardPress-A": "keyboardPress A",
    "keyboardClick": "keyboardClick A",
    "keyboardClickShift": "keyboardClickShiftPressed A",
    "keyboardClickCommand": "keyboardClickCommandPressed A",
}
# The success response alone, with the value each method replies with: the
# embedding API's fixed cost per call, taken off the dispatcher's count.
RESPONSE_CASES = {"response": "null", "response-bool": "bool",
                  "response-string": "string", "response-list": "list"}
REPLY_KINDS = {"keyboardPress": "bool", "getMouseCoords": "string",
               "screenList": "list"}
CASE_ORDER = [
    "dispatch getPlatformThemePointer", "dispatch moveMouse", "moveMouse",
    "getMouseCoords", "screenList", "wheelMouse flush", "wheelMouse sync",
    "moveMouseAndClick flush", "moveMouseAndClick sync", "keyboardPress è",
    "keyboardPress a", "keyboardPress A", "keyboardClick A",
    "keyboardClickShiftPressed A", "keyboardClickCommandPressed A",
    "keyboardPress a after layout switch",
    "keyboardClick A after layout switch",
    "keyboardPress a after spare mapped",
    "keyboardClick A after spare mapped",
]
PATH_ORDER = ["channel", "handler", "backend", "bare", "bare-2conn", "xdo",
              "xdotool"]
UNITS = {"ns": 1e-3, "us": 1.0, "ms": 1e3}


def show(microseconds):
    if microseconds >= 1e3:
        return f"{microseconds / 1e3:.2f} ms"
    return f"{microseconds:.2f} µs"


def target_of(case):
    for prefix, target in TARGETS:
        if case.startswith(prefix):
            return target
    return None


def main(directory):
    out = pathlib.Path(directory)
    times = {}  # (case, path) -> microseconds
    cpu = {}  # (case, path) -> microseconds of this process's CPU
    longest = {}  # (case, path) -> microseconds of the longest call
    # (case, path) -> median microseconds of the path's calls where the
    # paths ran call by call, in turn.
    in_turn = {}
    for path in sorted(out.glob("*.json")):
        for run in json.loads(path.read_text())["benchmarks"]:
            if run.get("aggregate_name") not in ("median", "max"):
                continue
            # "case/path", then options such as "iterations:1" and
            # "real_time".
            parts = [part for part in run["run_name"].split("/")
                     if ":" not in part and part != "real_time"]
            case, variant = parts[0], parts[1]
            if variant == "call-by-call":
                if run["aggregate_name"] == "median":
                    for side in ("handler", "backend", "bare"):
                        in_turn[(case, side)] = run[f"{side}_us"]
                continue
            if run["aggregate_name"] == "max":
                longest[(case, variant)] = \
                    run["real_time"] * UNITS[run["time_unit"]]
                continue
            # Pure CPU work without a server: CPU time, which other load on
            # the machine disturbs less. Everything else: wall time.
            field = "cpu_time" if case.startswith(("dispatch ", "response ")) \
                else "real_time"
            times[(case, variant)] = run[field] * UNITS[run["time_unit"]]
            cpu[(case, variant)] = run["cpu_time"] * UNITS[run["time_unit"]]
    counts = {}
    responses = {}  # reply kind -> instructions per response
    counts_file = out / "counts.txt"
    if counts_file.exists():
        for line in counts_file.read_text().split("\n"):
            if line.strip():
                case, variant, value = line.split()
                if case in RESPONSE_CASES:
                    responses[RESPONSE_CASES[case]] = float(value)
                else:
                    counts[(COUNT_CASES[case], variant)] = float(value)

    cases = [case for case in CASE_ORDER
             if any(key[0] == case for key in list(times) + list(counts))]

    print("| case | path | median | longest | × twin | CPU | instr/call "
          "| instr × twin | target | met |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---|---|")
    for case in cases:
        variants = [v for v in PATH_ORDER
                    if (case, v) in times or (case, v) in counts]
        # The channel's twin: the bare requests; where the channel variant
        # syncs on a second connection, the bare one that does the same.
        twin = "bare-2conn" if "bare-2conn" in variants else "bare"
        if case.startswith("dispatch "):
            twin = "handler"
        for variant in variants:
            t = times.get((case, variant))
            n = counts.get((case, variant))
            t_twin = times.get((case, twin))
            n_twin = counts.get((case, twin))
            shown = "" if t is None else show(t)
            m = longest.get((case, variant))
            shown_max = "" if m is None else show(m)
            c = cpu.get((case, variant))
            shown_cpu = "" if c is None else show(c)
            ratio = "" if t is None or t_twin is None or variant == twin \
                else f"{t / t_twin:.2f}"
            nratio = "" if n is None or n_twin is None or variant == twin \
                else f"{n / n_twin:.2f}"
            target, met = "", ""
            limit = target_of(case)
            # The channel is what the app sees; the dispatcher alone is the
            # plugin's own share of it.
            judged = variant in ("channel", "handler")
            if judged and limit and t is not None:
                value, kind = limit
                if kind == "abs_us":
                    target, ok = f"≤ {value} µs CPU", t <= value
                elif kind == "abs_ms":
                    # Every call, not only the median.
                    worst = m if m is not None else t
                    target, ok = f"≤ {value} ms", worst <= value * 1e3
                else:
                    target = f"≤ {value}× {twin}"
                    ok = t_twin is not None and t <= value * t_twin
                met = "yes" if ok else "NO"
            print(f"| {case} | {variant} | {shown} | {shown_max} | {ratio} "
                  f"| {shown_cpu} | "
                  f"{'' if n is None else f'{n:,.0f}'} | {nratio} | "
                  f"{target} | {met} |")

    own_table(times, in_turn, counts, responses)


def own_table(times, in_turn, counts, responses):
    """The plugin's own share per method: the dispatcher's instructions less
    the response object, and the backend operation alone, each against the
    bare requests; wall time of the same run beside, taken call by call
    where the paths ran in turn (the pointer methods), else from the paths'
    own runs."""
    if not responses:
        return
    print()
    print("Response object (made and released per call, the embedding's): "
          + ", ".join(f"{kind} {value:,.0f}"
                      for kind, value in sorted(responses.items()))
          + " instructions.")
    print()
    response_times = {kind: times[(f"response {kind}", "handler")]
                      for kind in RESPONSE_CASES.values()
                      if (f"response {kind}", "handler") in times}
    # The key calls are timed one by one, paced; their response object is
    # timed the same way.
    paced_times = {kind: times[(f"response {kind}", "paced")]
                   for kind in RESPONSE_CASES.values()
                   if (f"response {kind}", "paced") in times}
    if response_times:
        print()
        print("Response object, time per call: "
              + ", ".join(f"{kind} {show(value)}"
                          for kind, value in sorted(response_times.items()))
              + " (in a loop); "
              + ", ".join(f"{kind} {show(value)}"
                          for kind, value in sorted(paced_times.items()))
              + " (one at a time, paced as the key calls).")
    print()
    print("| case | handler − response | backend | bare | own × bare "
          "| backend × bare | wall handler × bare | wall own × bare "
          "| wall backend × bare |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for case in CASE_ORDER:
        handler = counts.get((case, "handler"))
        bare = counts.get((case, "bare"))
        if handler is None or bare is None:
            continue
        kind = REPLY_KINDS.get(case.split()[0], "null")
        response = responses.get(kind)
        if response is None:
            continue
        own = handler - response
        backend = counts.get((case, "backend"))
        walls = in_turn if (case, "bare") in in_turn else times
        wall_handler = walls.get((case, "handler"))
        response_time = (paced_times if case.startswith("keyboard")
                         else response_times).get(kind)
        wall_own = None if wall_handler is None or response_time is None \
            else wall_handler - response_time
        wall_bare = walls.get((case, "bare"))

        def ratio(a, b):
            return "" if a is None or b is None else f"{a / b:.2f}"
        print(f"| {case} | {own:,.0f} | "
              f"{'' if backend is None else f'{backend:,.0f}'} | {bare:,.0f} "
              f"| {ratio(own, bare)} | {ratio(backend, bare)} "
              f"| {ratio(wall_handler, wall_bare)} "
              f"| {ratio(wall_own, wall_bare)} "
              f"| {ratio(walls.get((case, 'backend')), wall_bare)} |")


if __name__ == "__main__":
    main(sys.argv[1])
