#!/usr/bin/python3
"""What a screen reader gets from the running window over AT-SPI: each value with its unit,
each control's name and description, and a name-changed event when a value changes.
Usage: atspi_check.py <program name>; exits 0 when all holds, else prints what did not."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

program = sys.argv[1]
failures = []


def find_app():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == program:
                return app
        time.sleep(0.2)
    sys.exit(f"no application {program} on the AT-SPI bus")


def walk(node, out):
    out.append(node)
    for child in node:
        if child is not None:
            walk(child, out)
    return out


app = find_app()
nodes = walk(app, [])
names = [node.name for node in nodes]
# The display panel's values as the simulator starts (100 V, 200 ns, ...).
for value in ["工作模式 单", "接收增益 0 dB", "脉冲电压 -100 V", "触发源 内部", "重复频率 1000 Hz",
              "低通滤波 10 MHz", "脉冲宽度 200 nS", "高通滤波 1MHz", "探头频率 2.50 MHz",
              "阻尼 50 Ω"]:
    if value not in names:
        failures.append(f"no value named {value}")
for control in ["接收增益输入框，单位 dB", "脉冲电压输入框，单位 V", "脉冲宽度输入框，单位 ns",
                "接收增益", "脉冲电压", "脉冲宽度"]:
    matches = [node for node in nodes if node.name == control]
    if not matches:
        failures.append(f"no control named {control}")
    elif not matches[0].description:
        failures.append(f"{control} has no description")
# Each list is labelled by its caption.
for caption in ["工作模式", "重复频率", "触发选择", "阻尼设置", "低通滤波", "高通滤波"]:
    labelled = [node for node in nodes if node.getRole() == pyatspi.ROLE_COMBO_BOX and any(
        target.name == caption for relation in node.getRelationSet()
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
        for target in (relation.getTarget(i) for i in range(relation.getNTargets())))]
    if not labelled:
        failures.append(f"no list labelled {caption}")

# A changed voltage is announced.
heard = []
pyatspi.Registry.registerEventListener(
    lambda event: heard.append(event.source.name), "object:property-change:accessible-name")
entry = next(node for node in nodes if node.name == "脉冲电压输入框，单位 V")
entry.queryComponent().grabFocus()
subprocess.run(["xdotool", "key", "ctrl+a"], check=True)
subprocess.run(["xdotool", "type", "150"], check=True)
subprocess.run(["xdotool", "key", "Return"], check=True)
end = time.time() + 10
while "脉冲电压 -150 V" not in heard and time.time() < end:
    GLib.MainContext.default().iteration(False)
    time.sleep(0.1)
if "脉冲电压 -150 V" not in heard:
    failures.append(f"no name change to 脉冲电压 -150 V announced (heard {heard})")

print("name changes heard:", ", ".join(dict.fromkeys(heard)))
for failure in failures:
    print(failure)
print(f"{len(nodes)} accessible objects, {len(failures)} failures")
sys.exit(1 if failures else 0)
