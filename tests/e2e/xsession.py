"""The shared Xvfb helper now lives in scripts/lib/xsession.py; this keeps
`import xsession` working for the scripts beside it."""
import importlib.util
import os

_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib",
                     "xsession.py")
_spec = importlib.util.spec_from_file_location("letterglass_xsession", _path)
_module = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_module)
globals().update({k: v for k, v in vars(_module).items() if not k.startswith("__")})
