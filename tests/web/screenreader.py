#!/usr/bin/python3
"""Reads the program in the browser as a screen reader does, through Chromium's accessibility
tree (the DevTools protocol's Accessibility.getFullAXTree), and uses it with the mouse and the
keyboard. Accessibility is switched on as a user does: the first Tab reaches Qt's "Enable Screen
Reader" button, and Enter presses it. Then the fields, the list and the buttons must carry the
names they have on the desktop, the amount its decimals, the list one option per line it shows
after every command, with the current row marked, and the empty-description warning must be an
alert dialog that Enter closes. Text typed as markup must stay text: no element is made of it and
no script runs. Prints the tree it read.

Usage: screenreader.py FOLDER OUTPUT_FOLDER
"""
import json
import os
import re
import sys

import engines
from journey import SECOND_PART, Failure, Journey, in_browser, serve, wait_for

# The markup typed as a description and as a search: each would make an element, and the image
# would run a script, if it ever became markup.
IMAGE = '<img src="x" onerror="window.markupRan = true">'
BOLD = '<b id="markup">'
DATE = r"\w{3} \w{3} +\d{1,2} \d\d:\d\d:\d\d \d{4}"

# The element that has the keyboard focus, inside Qt's shadow DOM too.
FOCUSED = """(() => {
    let element = document.activeElement;
    while (element && element.shadowRoot && element.shadowRoot.activeElement)
        element = element.shadowRoot.activeElement;
    return element ? element.tagName + ' ' + element.textContent : null;
})()"""

# Whether the markup typed became elements anywhere, or ran.
MARKUP_RAN = """(() => {
    const found = [];
    const walk = (root) => root.querySelectorAll('*').forEach((element) => {
        if ((element.tagName === 'IMG' && element.getAttribute('src') === 'x') ||
                element.id === 'markup')
            found.push(element.outerHTML);
        if (element.shadowRoot)
            walk(element.shadowRoot);
    });
    walk(document);
    if (window.markupRan)
        found.push('the script ran');
    return found;
})()"""


def read(browser):
    """The accessibility tree, as nodes with their role, name, value, description and states,
    and the tree's text, one node to a line, indented by depth."""
    nodes = {node["nodeId"]: node for node in browser.send("Accessibility.getFullAXTree")["nodes"]}

    def text(node, field):
        return str(node.get(field, {}).get("value", ""))

    def states(node):
        found = {}
        for item in node.get("properties", []):
            value = item["value"]
            found[item["name"]] = value.get("value", [
                related.get("backendDOMNodeId") for related in value.get("relatedNodes", [])])
        return found

    read_nodes, lines = [], []

    def walk(node_id, depth):
        node = nodes[node_id]
        role = text(node, "role")
        shown = not node.get("ignored") and role not in ("generic", "none", "InlineTextBox")
        if shown:
            entry = {"role": role, "name": text(node, "name"), "value": text(node, "value"),
                     "description": text(node, "description"), "states": states(node),
                     "id": node.get("backendDOMNodeId")}
            read_nodes.append(entry)
            details = [repr(entry["name"])]
            if entry["value"]:
                details.append("value %r" % entry["value"])
            if entry["description"]:
                details.append("description %r" % entry["description"])
            details += [name for name in ("focused", "selected") if entry["states"].get(name)]
            if "activedescendant" in entry["states"]:
                details.append("active descendant set")
            lines.append("%s%s %s" % ("  " * depth, role, ", ".join(details)))
        for child in node.get("childIds", []):
            walk(child, depth + 1 if shown else depth)

    root = next(node_id for node_id, node in nodes.items() if "parentId" not in node)
    walk(root, 0)
    return read_nodes, "\n".join(lines)


class ScreenReader(Journey):
    def __init__(self, browser, address, out):
        super().__init__(browser, address, out)
        self.reads = []

    def read(self, when):
        self.settle()
        nodes, text = read(self.browser)
        self.reads.append("== %s\n%s" % (when, text))
        return nodes

    def named(self, nodes, role, name):
        found = [node for node in nodes if node["role"] == role and node["name"] == name]
        if len(found) != 1:
            raise Failure("no one %s named %r:\n%s" % (role, name, self.reads[-1]))
        return found[0]

    def options(self, when, *patterns):
        """The list's options after WHEN must be lines matching PATTERNS, in order."""
        nodes = self.read(when)
        self.named(nodes, "listbox", "记录列表")
        options = [node for node in nodes if node["role"] == "option"]
        names = [node["name"] for node in options]
        if len(names) != len(patterns) or not all(
                re.fullmatch(pattern, name) for pattern, name in zip(patterns, names)):
            raise Failure("after %s the list reads %s, not lines like %s:\n%s" %
                          (when, names, list(patterns), self.reads[-1]))
        return nodes, options

    def run(self):
        browser = self.browser
        self.start()
        browser.key("Tab")
        focused = browser.evaluate(FOCUSED)
        if focused != "BUTTON Enable Screen Reader":
            raise Failure("the first Tab reaches %r, not the button that switches the screen "
                          "reader's view on" % focused)
        browser.key("Enter")
        nodes = self.read("accessibility switched on")
        for role, name in (("textbox", "描述"), ("spinbutton", "金额"), ("textbox", "搜索记录"),
                           ("listbox", "记录列表"), ("button", "搜索"), ("button", "添加记录"),
                           ("button", "清除记录")):
            self.named(nodes, role, name)
        # The captions are read as text, and only the fields as fields.
        for caption in ("描述:", "金额:", "搜索记录:"):
            self.named(nodes, "StaticText", caption)
        # (Beside them, unnamed, Qt's own input element, which takes the keys for the field
        # that has the focus.)
        fields = [node["name"] for node in nodes
                  if node["role"] in ("textbox", "spinbutton") and node["name"]]
        if sorted(fields) != sorted(["描述", "金额", "搜索记录"]):
            raise Failure("the fields read are %s, not the three named by their captions:\n%s" %
                          (fields, self.reads[-1]))

        self.click(self.add())
        wait_for(browser, "no warning came up",
                 "document.querySelector('#screen *').shadowRoot"
                 ".querySelector('[role=alertdialog]') !== null", seconds=10)
        nodes = self.read("adding without a description")
        warning = self.named(nodes, "alertdialog", "输入错误")
        if warning["description"] != "标签不能为空！":
            raise Failure("the warning's description is %r" % warning["description"])
        self.named(nodes, "StaticText", "标签不能为空！")
        # The title bar's icon only draws it.
        unnamed = [node for node in nodes if node["role"] == "image" and not node["name"]]
        if unnamed:
            raise Failure("the warning has an image without a name:\n%s" % self.reads[-1])
        self.snap("warning")
        browser.key("Enter")
        self.settle()
        if any(node["role"] == "alertdialog" for node in self.read("Enter on the warning")):
            raise Failure("Enter did not close the warning:\n%s" % self.reads[-1])

        self.replace_text(self.description, "午饭")
        browser.key("Tab")
        self.replace_text(self.amount, "12.5", focused=True)
        amount = self.named(self.read("the amount typed"), "spinbutton", "金额")
        if amount["value"] not in ("12.5", "12.50"):
            raise Failure("the amount reads %r, not 12.5" % amount["value"])
        self.click(self.add())
        self.options("adding 午饭", r"午饭:12\.5 at " + DATE)

        self.replace_text(self.description, IMAGE)
        browser.key("Tab")
        self.replace_text(self.amount, "3", focused=True)
        self.click(self.add())
        # Back into the field, whose text a focused field's mirror shows.
        self.click(self.description())
        typed = re.escape(IMAGE)
        self.options("adding markup", r"午饭:12\.5 at " + DATE, typed + ":3 at " + DATE)

        self.replace_text(self.search_field, BOLD)
        self.press_search()
        self.click(self.search_field())
        self.options("searching for markup")
        self.replace_text(self.search_field, "IMG")
        self.press_search()
        self.options("searching for IMG", typed + ": 3 at " + DATE)
        self.replace_text(self.search_field, "")
        self.press_search()
        self.options("clearing the search", r"午饭:12\.5 at " + DATE, typed + ":3 at " + DATE)

        # Into the list, whose first row becomes current, and down to the second.
        browser.key("Tab")
        browser.key("ArrowDown")
        nodes, options = self.options("moving to the second row", r"午饭:12\.5 at " + DATE,
                                      typed + ":3 at " + DATE)
        listbox = self.named(nodes, "listbox", "记录列表")
        if [bool(option["states"].get("selected")) for option in options] != [False, True]:
            raise Failure("the second row is not the one marked selected:\n%s" % self.reads[-1])
        if listbox["states"].get("activedescendant") != [options[1]["id"]]:
            raise Failure("the list's active descendant is not its second row:\n%s" %
                          self.reads[-1])
        self.click(self.delete())
        self.options("deleting the second row", r"午饭:12\.5 at " + DATE)

        ran = browser.evaluate(MARKUP_RAN)
        if ran:
            raise Failure("text typed as markup became markup: %s" % ran)
        self.policy()
        self.second_part_unused()
        print("PASS: the screen reader's view reads every control by its name, the amount with "
              "its decimals, the list's lines after each command and its current row, and the "
              "warning as an alert; typed markup stayed text")


def check(folder, out):
    os.makedirs(out, exist_ok=True)
    server = serve(folder, engines.Chromium, refuse=(SECOND_PART,))
    reader = None

    def use(browser):
        nonlocal reader
        reader = ScreenReader(browser, server.address, out)
        reader.run()
    try:
        in_browser(engines.Chromium, out, use)
    finally:
        server.stop()
        if reader:
            with open(os.path.join(out, "tree.txt"), "w") as trees:
                trees.write("\n".join(reader.reads) + "\n")
            print("The accessibility tree as read, in %s:" % os.path.join(out, "tree.txt"))
            print("\n".join(reader.reads[:1] + reader.reads[-1:]))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    try:
        check(*sys.argv[1:])
    except (Failure, engines.EngineError) as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        sys.exit(1)
