import os
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
DATA = Path(os.environ.get("NUVRA_DATA_DIR", Path(__file__).resolve().parents[3] / "shared/data"))


@pytest.fixture
def data():
    if not (DATA / "SHA256SUMS").exists():
        pytest.skip(f"no model files in {DATA}: set NUVRA_DATA_DIR")
    return DATA
