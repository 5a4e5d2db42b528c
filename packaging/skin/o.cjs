/* Ramtidy sample skin "Harbour": slate frames, teal accents.
   Copy this file to <program folder>/x/o.cjs to wear it. */

QGroupBox {
    border: 1px solid #8a9bb0;
    border-radius: 6px;
    color: #1f3a5a;
}

QLabel, QCheckBox {
    color: #1f3a5a;
}

QPushButton {
    color: #ffffff;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #3f7fa8, stop: 1 #2b5f85);
    border: 1px solid #234e6e;
    border-radius: 5px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #4d93bf, stop: 1 #336f99);
}

QPushButton:pressed {
    background-color: #234e6e;
}

QPushButton:focus {
    border: 2px solid #f2b134;
}

QProgressBar {
    border: 1px solid #8a9bb0;
    border-radius: 5px;
    background-color: #ffffff;
    color: #1f3a5a;
}

QProgressBar::chunk {
    border-radius: 4px;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #7fcfbf, stop: 1 #a8e0d4);
}

QTreeWidget {
    border: 1px solid #8a9bb0;
    border-radius: 4px;
    background-color: #ffffff;
    color: #1f3a5a;
    selection-background-color: #1a6f68;
    selection-color: #ffffff;
}

QTreeWidget:focus {
    border: 2px solid #f2b134;
}

QHeaderView {
    background-color: #dfe7ef;
}

QHeaderView::section {
    background-color: #dfe7ef;
    color: #1f3a5a;
    border: none;
    border-bottom: 1px solid #8a9bb0;
}
