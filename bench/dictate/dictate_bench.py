"""Benchmark of dorv-dictate on the headless desktop's microphone, Harvard sentences list 1.

Run inside the desktop: scripts/with-desktop.sh python3 bench/dictate/dictate_bench.py path/to/dorv-dictate
Reports time to ready, start-to-listening latency, first partial after the start of each
sentence, final after the end of each sentence, CPU time per second of audio, peak RSS, and the
word error rate averaged over dictations whose speech starts at different offsets, beside
pocketsphinx_continuous decoding the same audio directly."""
import os
import subprocess
import sys
import tempfile
import time

from process_stats import cpu_seconds, peak_rss_mb, thread_cpu_seconds

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/dictate"))
from service_client import Service, state  # noqa: E402

SENTENCES = [
    "The birch canoe slid on the smooth planks.",
    "Glue the sheet to the dark blue background.",
    "It's easy to tell the depth of a well.",
    "These days a chicken leg is a rare dish.",
    "Rice is often served in round bowls.",
    "The juice of lemons makes fine punch.",
    "The box was thrown beside the parked truck.",
    "The hogs were fed chopped corn and garbage.",
    "Four hours of steady work faced us.",
    "A large size in stockings is hard to sell.",
]
PAUSE = 2.0  # silence after each sentence, so each ends in its own final


def words(text):
    return "".join(c for c in text.lower() if c.isalnum() or c in " '").split()


def edit_distance(ref, hyp):
    row = list(range(len(hyp) + 1))
    for i, r in enumerate(ref, 1):
        prev, row[0] = row[0], i
        for j, h in enumerate(hyp, 1):
            prev, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, prev + (r != h))
    return row[-1]


def wer(hypotheses):
    errors = sum(edit_distance(words(s), words(h)) for s, h in zip(SENTENCES, hypotheses))
    return errors / sum(len(words(s)) for s in SENTENCES)


def transcript_wer(transcript):
    """Against the whole list: a final that comes late, after the next sentence began, still counts."""
    reference = words(" ".join(SENTENCES))
    return edit_distance(reference, words(transcript)) / len(reference)


def synthesise(work):
    paths = []
    for i, sentence in enumerate(SENTENCES):
        txt, voice = f"{work}/{i}.txt", f"{work}/{i}-voice.wav"
        with open(txt, "w") as f:
            f.write(sentence + "\n")
        subprocess.run(["text2wave", "-eval", "(voice_cmu_us_slt_arctic_hts)", txt, "-o", voice], check=True,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["sox", "-R", voice, "-r", "48000", "-c", "1", f"{work}/{i}.wav"], check=True)
        subprocess.run(["sox", "-R", voice, "-r", "16000", "-c", "1", f"{work}/{i}-16k.wav"], check=True)
        paths.append(f"{work}/{i}.wav")
    return paths


def direct_decode(work):
    return [subprocess.run(["pocketsphinx_continuous", "-infile", f"{work}/{i}-16k.wav", "-logfn", "/dev/null"],
                           capture_output=True, text=True).stdout.strip() for i in range(len(SENTENCES))]


OFFSETS = [0.0, 0.021, 0.043, 0.064, 0.085]  # where speech falls against the 4096-frame capture grid


def main():
    service_path = sys.argv[1]
    server = os.environ["TEST_PULSE_SERVER"]
    with tempfile.TemporaryDirectory() as work:
        samples = synthesise(work)
        direct = direct_decode(work)
        # A silent low-latency playback keeps the microphone's null sink running, as a hardware
        # microphone is; an idle null sink delays its monitor by up to 2 s.
        subprocess.run(["sox", "-n", "-r", "48000", "-c", "1", f"{work}/quiet.wav", "trim", "0", "3600"], check=True)
        keep_running = subprocess.Popen(["paplay", "-s", server, "-d", "virt", "--latency-msec=20", f"{work}/quiet.wav"])
        time.sleep(2.5)
        t_launch = time.monotonic()
        env = dict(os.environ, PULSE_SERVER=server, PULSE_SOURCE="virt.monitor", PULSE_SINK="spk")
        service = Service(service_path, env)
        proc = service.proc
        t_ready = service.wait_for(lambda e: e["type"] == "ready")
        service.send("prewarm")
        service.wait_for(state("ready"))
        time.sleep(1.5)  # let the model finish loading in the background
        cpu_before = cpu_seconds(proc.pid)
        threads_before = thread_cpu_seconds(proc.pid)
        runs, audio_seconds = [], 0.0
        for offset in OFFSETS:
            t_start, at = service.send("start")
            t_listening = service.wait_for(state("listening"), at)
            time.sleep(offset)
            spans = []
            for path in samples:
                begin = time.monotonic()
                subprocess.run(["paplay", "-s", server, "-d", "virt", path], check=True)
                end = time.monotonic()
                spans.append((begin, end))
                audio_seconds += float(subprocess.run(["soxi", "-D", path], capture_output=True, text=True).stdout)
                time.sleep(PAUSE)
            sent, at = service.send("stop")
            service.wait_for(state("idle"), at)
            time.sleep(1)
            runs.append((t_listening - t_start, spans))
        cpu = cpu_seconds(proc.pid) - cpu_before
        threads = thread_cpu_seconds(proc.pid)
        thread_cpu = sorted((threads[t] - threads_before.get(t, 0) for t in threads), reverse=True)
        rss = peak_rss_mb(proc.pid)
        service.finish()
        keep_running.kill()

    events = service.events
    finals = [(t, e["text"]) for t, e in events if e["type"] == "final" and e["text"]]
    dictations = sorted({e["run"] for _, e in events if e["type"] == "final"})
    partials = [t for t, e in events if e["type"] == "partial"]
    rates, final_delays, partial_delays = [], [], []
    for run, (to_listening, spans) in enumerate(runs):
        hypotheses = []
        for i, (begin, end) in enumerate(spans):
            until = spans[i + 1][0] if i + 1 < len(spans) else (runs[run + 1][1][0][0] if run + 1 < len(runs) else float("inf"))
            mine = [(t, text) for t, text in finals if begin <= t < until]
            hypotheses.append(" ".join(text for _, text in mine))
            if mine:
                final_delays.append(mine[-1][0] - end)
            first = [t for t in partials if begin <= t < until]
            if first:
                partial_delays.append(first[0] - begin)
        number = dictations[run] if run < len(dictations) else None
        rates.append(transcript_wer(" ".join(e["text"] for _, e in events if e["type"] == "final" and e["run"] == number)))
        if run == 0:
            first_hypotheses = hypotheses
        if rates[-1] > 0.35:
            print(f"run {run} at {rates[-1]:.1%}: {hypotheses}")

    print(f"time to ready:              {t_ready - t_launch:.3f} s")
    print(f"start to listening:         worst {max(r[0] for r in runs):.3f} s (chime included)")
    print(f"first partial after start of sentence audio: mean {sum(partial_delays) / max(len(partial_delays), 1):.2f} s,"
          f" max {max(partial_delays, default=0):.2f} s (includes the voice's leading silence)")
    print(f"final after end of sentence audio:           mean {sum(final_delays) / max(len(final_delays), 1):.2f} s,"
          f" max {max(final_delays, default=0):.2f} s")
    print(f"CPU per second of audio:    {cpu / audio_seconds:.3f} s")
    print(f"  by thread, busiest first: {', '.join(f'{c / audio_seconds:.3f}' for c in thread_cpu if c > 0)}")
    print(f"peak RSS:                   {rss:.0f} MB")
    print(f"word error rate over {len(runs)} runs at offsets {OFFSETS}: mean {sum(rates) / len(rates):.1%},"
          f" runs {', '.join(f'{r:.1%}' for r in rates)}; pocketsphinx_continuous {wer(direct):.1%}")
    for sentence, hyp in zip(SENTENCES, first_hypotheses):
        print(f"  {sentence!r} -> {hyp!r}")


if __name__ == "__main__":
    main()
