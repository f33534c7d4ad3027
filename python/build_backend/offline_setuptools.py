"""setuptools.build_meta, taken from the interpreter's own site-packages.

pip builds in an isolated environment and would fetch setuptools from an
index; with none reachable (our machines have only Debian's archive), the
installed python3-setuptools does the build instead."""
import site
import sys

for _path in site.getsitepackages() + site.getsitepackages([sys.base_prefix]):
    if _path not in sys.path:
        sys.path.append(_path)

from setuptools.build_meta import *  # noqa: E402,F401,F403


# setuptools asks for "wheel" from the index too; python3-wheel is installed.
def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []
