"""Benchmark of dorv-dictate's audio side on the headless desktop's sound server.

Run inside the desktop: scripts/with-desktop.sh python3 bench/dictate/dictate_audio_bench.py path/to/dorv-dictate
Reports start -> "listening" and stop -> "idle" right after a chime (worst of 10), the first
level event after "listening", whether the first word of a sentence spoken right at
"listening" is recognised (count over 10 runs), and three minutes of continuous speech: peak
RSS, CPU per second of audio, the last final after "stop" and the longest partial.

A silent low-latency playback into the microphone's null sink runs throughout, so that the sink
keeps running as a hardware microphone does; an idle null sink first finishes a render block of
up to 2 s before its monitor delivers anything."""
import os
import subprocess
import sys
import tempfile
import time

from process_stats import cpu_seconds, peak_rss_mb, thread_cpu_seconds

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/dictate"))
from service_client import Service, state  # noqa: E402

SERVICE = sys.argv[1]
SERVER = os.environ["TEST_PULSE_SERVER"]
RUNS = 10
FIRST_WORD_SENTENCE = "Rice is often served in round bowls."
LONG_TEXT = [
    "The birch canoe slid on the smooth planks.", "Glue the sheet to the dark blue background.",
    "It's easy to tell the depth of a well.", "These days a chicken leg is a rare dish.",
    "Rice is often served in round bowls.", "The juice of lemons makes fine punch.",
    "The box was thrown beside the parked truck.", "The hogs were fed chopped corn and garbage.",
    "Four hours of steady work faced us.", "A large size in stockings is hard to sell.",
    "The boy was there when the sun rose.", "A rod is used to catch pink salmon.",
    "The source of the huge river is the clear spring.", "Kick the ball straight and follow through.",
    "Help the woman get back to her feet.", "A pot of tea helps to pass the evening.",
    "Smoky fires lack flame and heat.", "The soft cushion broke the man's fall.",
    "The salt breeze came across from the sea.", "The girl at the booth sold fifty bonds.",
]
LONG_SECONDS = 180


def synthesise(text, path, work):
    txt, voice = f"{work}/text.txt", f"{work}/voice.wav"
    with open(txt, "w") as f:
        f.write(text + "\n")
    subprocess.run(["text2wave", "-eval", "(voice_cmu_us_slt_arctic_hts)", txt, "-o", voice], check=True,
                   stderr=subprocess.DEVNULL)
    # The voice's own 0.2 s lead-in stays: the recogniser needs a little quiet before a word.
    subprocess.run(["sox", "-R", voice, "-r", "48000", "-c", "1", path], check=True)


def seconds(path):
    return float(subprocess.run(["soxi", "-D", path], capture_output=True, text=True).stdout)


def play(path):
    return subprocess.Popen(["paplay", "-s", SERVER, "-d", "virt", path])


def start_service():
    env = dict(os.environ, PULSE_SERVER=SERVER, PULSE_SOURCE="virt.monitor", PULSE_SINK="spk")
    service = Service(SERVICE, env)
    service.wait_for(lambda e: e["type"] == "ready")
    service.send("prewarm")
    time.sleep(1.5)  # the model loads in the background
    return service


def latencies():
    service = start_service()
    to_listening, to_idle, to_level = [], [], []
    for _ in range(RUNS):
        sent, at = service.send("start")
        listening = service.wait_for(state("listening"), at)
        to_listening.append(listening - sent)
        to_level.append(service.wait_for(lambda e: e["type"] == "level", at) - listening)
        time.sleep(0.3)
        sent, at = service.send("stop")  # the begin chime played 0.3 s ago, the end chime starts now
        to_idle.append(service.wait_for(state("idle"), at) - sent)
        time.sleep(0.1)
    service.finish()
    print(f"start -> listening:          worst {max(to_listening):.3f} s, median {sorted(to_listening)[RUNS // 2]:.3f} s"
          " (the begin chime lasts 0.223 s)")
    print(f"stop -> idle after a chime:  worst {max(to_idle) * 1000:.1f} ms")
    print(f"first level after listening: worst {max(to_level) * 1000:.0f} ms, median {sorted(to_level)[RUNS // 2] * 1000:.0f} ms")


def first_word(work):
    path = f"{work}/first.wav"
    synthesise(FIRST_WORD_SENTENCE, path, work)
    word = FIRST_WORD_SENTENCE.split()[0].lower()
    service = start_service()
    heard = 0
    for _ in range(RUNS):
        sent, at = service.send("start")
        service.wait_for(state("listening"), at)
        play(path).wait()
        time.sleep(1.5)
        sent, at_stop = service.send("stop")
        service.wait_for(state("idle"), at_stop)
        time.sleep(0.5)
        finals = " ".join(e["text"] for _, e in service.events[at:] if e["type"] == "final").lower().split()
        heard += word in finals[:2]
        if word not in finals[:2]:
            print("  missed:", " ".join(finals))
    service.finish()
    print(f"first word spoken at listening recognised: {heard} of {RUNS}")


def long_speech(work):
    path = f"{work}/long.wav"
    text = []
    while len(text) * 2.6 < LONG_SECONDS:
        text += LONG_TEXT
    synthesise(" ".join(text), path, work)
    subprocess.run(["sox", path, f"{work}/long-cut.wav", "trim", "0", str(LONG_SECONDS)], check=True)
    path = f"{work}/long-cut.wav"
    audio = seconds(path)
    service = start_service()
    sent, at = service.send("start")
    service.wait_for(state("listening"), at)
    cpu_before = cpu_seconds(service.proc.pid)
    threads_before = thread_cpu_seconds(service.proc.pid)
    play(path).wait()
    sent, at_stop = service.send("stop")
    service.wait_for(state("idle"), at_stop)
    time.sleep(3)
    cpu = cpu_seconds(service.proc.pid) - cpu_before
    threads = thread_cpu_seconds(service.proc.pid)
    by_thread = sorted((threads[t] - threads_before.get(t, 0) for t in threads), reverse=True)
    rss = peak_rss_mb(service.proc.pid)
    finals = [(t, e["text"]) for t, e in service.events[at:] if e["type"] == "final" and e["text"]]
    partials = [e["text"] for _, e in service.events[at:] if e["type"] == "partial"]
    during = [t for t, _ in finals if t < sent]
    service.finish()
    print(f"{audio:.0f} s of continuous speech: peak RSS {rss:.0f} MB, CPU {cpu / audio:.3f} s per audio second,"
          f" {len(finals)} finals ({len(during)} during the speech),"
          f" last final {max((t for t, _ in finals), default=sent) - sent:.2f} s after stop (negative: before),"
          f" longest partial {max(map(len, partials), default=0)} characters,"
          f" longest final {max((len(f) for _, f in finals), default=0)} characters")
    print(f"  CPU by thread, busiest first: {', '.join(f'{c / audio:.3f}' for c in by_thread if c > 0)}")


def main():
    quiet = tempfile.NamedTemporaryFile(suffix=".wav")
    subprocess.run(["sox", "-n", "-r", "48000", "-c", "1", quiet.name, "trim", "0", "3600"], check=True)
    keep_running = subprocess.Popen(["paplay", "-s", SERVER, "-d", "virt", "--latency-msec=20", quiet.name])
    time.sleep(2.5)
    try:
        with tempfile.TemporaryDirectory() as work:
            which = sys.argv[2:] or ["latencies", "first_word", "long_speech"]
            if "latencies" in which:
                latencies()
            if "first_word" in which:
                first_word(work)
            if "long_speech" in which:
                long_speech(work)
    finally:
        keep_running.kill()


if __name__ == "__main__":
    main()
