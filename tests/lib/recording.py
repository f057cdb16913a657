"""What the Python tests share about the recording test module: the request
texts the program sends, the module's script and its log."""

import time


def request_text(first_line, event=None):
    text = first_line + "\r\nSender: tarnwhistle\r\n"
    if event:
        text += "Event: " + event + "\r\n"
    return (text + "Charset: Shift_JIS\r\n\r\n").encode("ascii")


VERSION_REQUEST = request_text("GET Version SHIORI/2.0")


def sentence_request(event):
    return request_text("GET Sentence SHIORI/2.2", event)


def answer_with(sentence):
    return b"SHIORI/2.0 200 OK\r\nSender: recording\r\nSentence: " + sentence + b"\r\n\r\n"


class Script:
    """The recording module's script."""

    def __init__(self):
        self.text = b""

    def load(self, result):
        self.text += b"load %d\n" % result
        return self

    def answer(self, block, length=None):
        length = len(block) if length is None else length
        self.text += b"answer %d %d\n" % (length, len(block)) + block + b"\n"
        return self

    def line(self, directive):
        self.text += directive.encode("ascii") + b"\n"
        return self


class Call:
    def __init__(self, name, length, block, after, data):
        self.name, self.length, self.block, self.after, self.data = name, length, block, after, data
        self.seen = time.monotonic()

    def __repr__(self):
        return f"{self.name}({self.data[:40]!r}...)" if self.data else self.name


class LogError(Exception):
    pass


def parse_log(data, at=0):
    """The whole records of the module's log from offset at on, and the offset
    after the last of them."""
    calls = []
    while at < len(data):
        line_end = data.find(b"\n", at)
        if line_end < 0:
            break
        fields = data[at:line_end].split()
        if len(fields) != 4:
            raise LogError(f"module log line {data[at:line_end]!r} is not '<call> <length> <size> <after>'")
        length = max(int(fields[1]), 0)
        end = line_end + 1 + length
        if end + 1 > len(data):
            break
        calls.append(Call(fields[0].decode(), int(fields[1]), int(fields[2]), int(fields[3]),
                          data[line_end + 1:end]))
        at = end + 1
    return calls, at
