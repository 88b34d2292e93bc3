"""The web page in a real Chromium (Debian's chromium and chromium-driver, python3-selenium),
driven by keyboard: log in, read the profile line, open a dimension, expand a member, search,
read its history.
    page_test.py KZR_APPSERVER OPENAPI_JSON"""
import os
import shutil
import sys

from served import Api, Server

if not shutil.which("chromium") or not shutil.which("chromedriver"):
    print("http_page: skipped, chromium or chromedriver is not installed (scripts/setup installs them)")
    sys.exit(77)

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as shown
from selenium.webdriver.support.ui import WebDriverWait

server = Server(sys.argv[1])
browser = None
try:
    # One change through the API, for the history to show.
    api = Api(server.base, sys.argv[2])
    token = api.call("POST", "/sessions", {"user": "demo", "password": "demo"})[2]["token"]
    _, headers, groups = api.call("GET", "/dimensions/3", token=token)
    api.call("PUT", "/dimensions/3", dict(groups, name="Grupos"), token=token,
             headers={"If-Match": headers["ETag"]})

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1200,900"):
        options.add_argument(argument)
    browser = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    wait = WebDriverWait(browser, 30)
    browser.get(server.base + "/")

    user = wait.until(shown.visibility_of_element_located((By.ID, "user")))
    user.send_keys("demo", Keys.TAB, "demo", Keys.ENTER)
    profile = '[data-profile="00003"]'
    wait.until(lambda b: "membros" in b.find_element(By.CSS_SELECTOR, profile).text)
    assert "6 membros" in browser.find_element(By.CSS_SELECTOR, profile).text

    browser.find_element(By.CSS_SELECTOR, '[data-code="00003"]').send_keys(Keys.ENTER)
    toggle = '#tree [aria-expanded]'
    wait.until(shown.visibility_of_element_located((By.CSS_SELECTOR, toggle)))
    browser.find_element(By.CSS_SELECTOR, toggle).send_keys(Keys.ENTER)
    wait.until(lambda b: "Bebidas" in b.find_element(By.ID, "tree").text)
    assert browser.find_element(By.CSS_SELECTOR, toggle).get_attribute("aria-expanded") == "true"

    browser.find_element(By.ID, "search-text").send_keys("suc", Keys.ENTER)
    wait.until(lambda b: "Sucos" in b.find_element(By.ID, "found").text)
    assert "1 › 2 › 6" in browser.find_element(By.ID, "found").text

    wait.until(lambda b: "demo" in b.find_element(By.ID, "history-rows").text)
    assert "NMITEMDIME" in browser.find_element(By.ID, "history-rows").text
    if os.environ.get("KZR_PAGE_SCREENSHOT"):
        browser.save_screenshot(os.environ["KZR_PAGE_SCREENSHOT"])
    print("http_page: 1 passed, 0 failed")
except Exception as failure:
    if browser and os.environ.get("KZR_PAGE_SCREENSHOT"):
        browser.save_screenshot(os.environ["KZR_PAGE_SCREENSHOT"])
    print("http_page: 0 passed, 1 failed:", repr(failure), browser.current_url if browser else "")
    sys.exit(1)
finally:
    if browser:
        browser.quit()
    server.stop()
