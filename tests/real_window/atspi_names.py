"""What a screen reader finds of the running program on the accessibility bus (AT-SPI).

usage: atspi_names.py PID [--readme-exists]

Finds the application of process PID on the bus, waiting up to 30 s for it to register, and
checks that each of the nine choosers and current values tells its port and row, that the row
labels label their choosers, and that the decoration pictures stay out of the way. With
--readme-exists, the README that Label3 names must exist. Exits 0 when all holds, 1 on a fault,
77 when the bus or the program's entry on it cannot be reached.
"""

import os
import sys
import time

SKIPPED = 77

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
except (ImportError, ValueError) as error:
    print(f"no AT-SPI client library here ({error})")
    sys.exit(SKIPPED)

PORTS = "ABC"
ROWS = [("Speed", "Speed :"), ("Parity", "Parity :"), ("Bits", "Bits :")]


def application(pid):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        candidate = desktop.get_child_at_index(index)
        if candidate is not None and candidate.get_process_id() == pid:
            return candidate
    return None


def descendants(node):
    stack = [node]
    while stack:
        current = stack.pop()
        yield current
        for index in range(current.get_child_count() - 1, -1, -1):
            child = current.get_child_at_index(index)
            if child is not None:
                stack.append(child)


def labelled_by(node):
    names = []
    for relation in node.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            for index in range(relation.get_n_targets()):
                names.append(relation.get_target(index).get_name())
    return names


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    pid = int(sys.argv[1])
    readme_must_exist = sys.argv[2:] == ["--readme-exists"]

    app = None
    deadline = time.monotonic() + 30
    while app is None and time.monotonic() < deadline:
        app = application(pid)
        # The window registers its controls once it shows; wait for the choosers too.
        if app is not None and not any(
            node.get_role() == Atspi.Role.COMBO_BOX for node in descendants(app)
        ):
            app = None
        if app is None:
            time.sleep(0.2)
    if app is None:
        print(f"process {pid} did not appear on the accessibility bus within 30 s")
        return SKIPPED

    nodes = list(descendants(app))
    problems = []

    choosers = {node.get_description(): node for node in nodes
                if node.get_role() == Atspi.Role.COMBO_BOX}
    labels = {node.get_description(): node for node in nodes
              if node.get_role() == Atspi.Role.LABEL and node.get_description()}
    for port in PORTS:
        for row, row_label in ROWS:
            words = f"Port {port} {row}"
            chooser = choosers.get(f"{words}, new value")
            if chooser is None:
                problems.append(f"no chooser described as \"{words}, new value\"")
            else:
                if chooser.get_name() != "New Value":
                    problems.append(f"{words}: the chooser's name is \"{chooser.get_name()}\", "
                                    "not its entry \"New Value\"")
                if row_label not in labelled_by(chooser):
                    problems.append(f"{words}: the chooser is labelled by {labelled_by(chooser)}, "
                                    f"not by \"{row_label}\"")
                if f"Port {port} Settings" not in labelled_by(chooser):
                    problems.append(f"{words}: the chooser is not labelled by its panel")
            current = labels.get(f"{words}, current value")
            if current is None:
                problems.append(f"no label described as \"{words}, current value\"")
            elif current.get_name() != "N/A":
                problems.append(f"{words}: the current value's name is \"{current.get_name()}\", "
                                "not its caption \"N/A\"")

    status = [node for node in nodes if node.get_role() in
              (Atspi.Role.TEXT, Atspi.Role.ENTRY) and node.get_name() == "Status Window"]
    if len(status) != 1:
        problems.append(f"{len(status)} text boxes named \"Status Window\", not one")
    else:
        text = status[0].get_text(0, status[0].get_character_count())
        if text != "Warning ! Unit not detected":
            problems.append(f"the status box offers the text \"{text}\"")

    # The decoration pictures: nothing named, nothing focusable, in no role but a filler's.
    for node in nodes:
        if node.get_role() == Atspi.Role.FILLER and node.get_child_count() == 0:
            if node.get_name() or node.get_description():
                problems.append(f"a picture has the name \"{node.get_name()}\" "
                                f"and the description \"{node.get_description()}\"")
            if node.get_state_set().contains(Atspi.StateType.FOCUSABLE):
                problems.append("a picture takes the focus")

    label3 = [node.get_name() for node in nodes if node.get_role() == Atspi.Role.LABEL
              and "README.md" in node.get_name() and "\n" in node.get_name()]
    if len(label3) != 1:
        problems.append("no label names the README's path")
    else:
        readme = label3[0].rsplit("\n", 1)[1]
        print(f"Label3 names {readme}")
        if readme_must_exist and not os.path.isfile(readme):
            problems.append(f"the README that Label3 names, {readme}, does not exist")

    print(f"on the accessibility bus: {len(choosers)} choosers, {len(labels)} described labels")
    for problem in problems:
        print(f"FAIL: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
