"""Builds the Python package tavro from the project's source tree with CMake.

    pip install --no-build-isolation ./bindings/python

needs no network: CMake, Ninja, a C++20 compiler, Python's headers, pybind11,
NumPy and pandas come from the distribution (python3-dev, pybind11-dev,
python3-numpy, python3-pandas).
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent


def decoder_version():
    text = (ROOT / "src" / "common" / "version.h").read_text()
    return re.search(r"kDecoderVersion = (\d+)", text).group(1) + ".0.0"


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Builds the module with the project's own CMake build."""

    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DDEC_BUILD_TESTS=OFF",
                        "-DDEC_PYTHON=ON", "-DPython3_EXECUTABLE=" + sys.executable],
                       check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "_tavro", "-j", jobs],
                       check=True)
        built = next((build / "python" / "tavro").glob("_tavro*"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    name="tavro",
    version=decoder_version(),
    description="Base-station containers of wildlife tags read into pandas data frames",
    packages=["tavro"],
    ext_modules=[CMakeExtension("tavro._tavro")],
    cmdclass={"build_ext": CMakeBuild},
    install_requires=["numpy", "pandas"],
    python_requires=">=3.9",
    zip_safe=False,
)
